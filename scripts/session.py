#!/usr/bin/env python3
"""Private sessions for the tests: an X server, a window manager, an audio
server, a session bus and Wine of their own, and the gate's envelope.

  session.py run [options] [--] CMD...   CMD in a one-shot session
  session.py start DIR [options]         a session that outlives the command:
                                         DIR names it until `stop DIR`
  session.py exec DIR -- CMD...          CMD in that session
  session.py stop DIR                    ends it
  session.py gate -- CMD...              CMD with the gate's guarantees

Options: --screen WxH (1024x768), --dpi N (96), --wm openbox|mutter,
--pulse (an audio server whose one sink is the null sink "test"), --bus (a
session bus; without it the bus is disabled), --no-x, --wine (a private
prefix and a kept wineserver).

Nothing of the caller's desktop reaches the command: home, runtime folder,
display, bus and audio server are private ones or nothing. Every process
started carries a tag in its environment; however the session ends, whatever
carries the tag is ended, detached daemons included: by the supervisor on
its own end or a signal, and after a SIGKILL by a watchdog outside its tree.
"""
import argparse
import json
import os
import re
import secrets
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SESSION_TAG = "TARNWICK_SESSION_TAG"
GATE_TAG = "TARNWICK_GATE_TAG"
DESKTOP = ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER", "DESKTOP_SESSION",
           "PULSE_SINK", "PULSE_SOURCE", "PULSE_COOKIE", "AT_SPI_BUS_ADDRESS", "WINEPREFIX",
           "WINEARCH", "WINEDLLPATH")
GATE_ALLOWED = ("USER", "LOGNAME", "TERM", "CI", "TMPDIR", "CCACHE_DIR", "TARNWICK_LINT_CACHE",
                "TARNWICK_FUZZ_MIN_RUNS")
ENDING_SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


class SessionError(Exception):
    pass


def make_folder(kind):
    # Socket addresses cannot carry every byte of a path (PULSE_SERVER is
    # split at spaces, sun_path is short): the folder goes to /tmp where
    # TMPDIR holds others.
    tmp = os.environ.get("TMPDIR", "/tmp")
    if not re.fullmatch(r"[-\w./]{1,60}", tmp, re.ASCII):
        tmp = "/tmp"
    return tempfile.mkdtemp(prefix=f"tarnwick-{kind}.", dir=tmp)


def private_env(folder, env):
    """Replaces everything of the caller's desktop in env by folder's own."""
    for name in DESKTOP:
        env.pop(name, None)
    home = os.path.join(folder, "home")
    env.update(HOME=home, XDG_RUNTIME_DIR=os.path.join(folder, "runtime"),
               XDG_CONFIG_HOME=f"{home}/.config", XDG_CACHE_HOME=f"{home}/.cache",
               XDG_DATA_HOME=f"{home}/.local/share", XDG_STATE_HOME=f"{home}/.local/state",
               TMPDIR=os.path.join(folder, "tmp"),
               PULSE_CLIENTCONFIG=f"{home}/.config/pulse/client.conf",
               PULSE_SERVER=f"unix:{folder}/no-audio-server", SDL_AUDIODRIVER="pulseaudio",
               # A bus must never be auto-launched: such a daemon detaches.
               DBUS_SESSION_BUS_ADDRESS="disabled:")
    for path in (env["XDG_RUNTIME_DIR"], env["TMPDIR"], f"{home}/.config/pulse"):
        os.makedirs(path, mode=0o700)
    # Clients never start an audio server of their own.
    with open(env["PULSE_CLIENTCONFIG"], "w") as conf:
        conf.write("autospawn = no\n")
    return env


def alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return stat.read().rpartition(")")[2].split()[0] != "Z"
    except OSError:
        return False


def carries(pid, entry):
    try:
        with open(f"/proc/{pid}/environ", "rb") as environ:
            return entry.encode() in environ.read().split(b"\0")
    except OSError:
        return False


def tagged(entry):
    return [pid for pid in map(int, filter(str.isdigit, os.listdir("/proc")))
            if pid != os.getpid() and carries(pid, entry) and alive(pid)]


def wait_until(check, seconds):
    deadline = time.monotonic() + seconds
    while not check():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.1)
    return True


def sweep(entry):
    """Ends every process carrying entry: continued first (a stopped one
    ignores SIGTERM), then SIGTERM, then SIGKILL after up to 3 s."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        for pid in tagged(entry):
            for each in (signal.SIGCONT, sig):
                try:
                    os.kill(pid, each)
                except ProcessLookupError:
                    pass
        if wait_until(lambda: not tagged(entry), 3):
            return True
    return False


def wait_for_end(pid, seconds=None):
    try:
        fd = os.pidfd_open(pid)
    except ProcessLookupError:
        return True
    with os.fdopen(fd) as pidfd:
        return bool(select.select([pidfd], [], [], seconds)[0])


def start_watchdog(entry, folder):
    """Detached, untagged: sweeps entry and removes folder once this process
    has ended, however it ended."""
    env = {k: v for k, v in os.environ.items() if k not in (SESSION_TAG, GATE_TAG)}
    subprocess.run(["setsid", "-f", sys.executable, os.path.abspath(__file__), "watch",
                    str(os.getpid()), entry, folder], env=env, check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def end_on_signals():
    def end(sig, _frame):
        raise SystemExit(128 + sig)
    for sig in ENDING_SIGNALS:
        signal.signal(sig, end)


def exit_status(code):
    return code if code >= 0 else 128 - code


class Session:
    def __init__(self, folder, opts, env):
        self.folder, self.opts = folder, opts
        self.tag = f"{SESSION_TAG}={folder}"
        self.env = private_env(folder, env)
        self.env.update({SESSION_TAG: folder, "TARNWICK_SESSION_DIR": folder, "X_SESSION_DIR": folder})

    def spawn(self, cmd, log, env=None, **kwargs):
        with open(os.path.join(self.folder, log) if log else os.devnull, "w") as out:
            return subprocess.Popen(cmd, env=env or self.env, stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=subprocess.STDOUT, **kwargs)

    def failed(self, what, *logs):
        text = "".join(open(os.path.join(self.folder, log), errors="replace").read() for log in logs)
        raise SessionError(f"the {what} did not start:\n{text}")

    def ready_line(self, what, log, cmd):
        """Starts a server that writes one line to the fd passed to cmd()
        once it is ready (its address, its display number)."""
        read_end, write_end = os.pipe()
        self.spawn(cmd(write_end), log, pass_fds=[write_end])
        os.close(write_end)
        with os.fdopen(read_end) as ready:
            line = ready.readline().strip() if select.select([ready], [], [], 30)[0] else ""
        return line or self.failed(what, log)

    def open(self):
        opts, env = self.opts, self.env
        if opts.bus:
            env["DBUS_SESSION_BUS_ADDRESS"] = self.ready_line("session bus", "bus.log", lambda fd: [
                "dbus-daemon", "--session", "--nofork", "--nopidfile", f"--print-address={fd}",
                f"--address=unix:path={env['XDG_RUNTIME_DIR']}/bus"])
        if not opts.no_x:
            self.open_x()
        if opts.pulse:
            self.open_audio()
        if opts.wine:
            self.open_wine()

    def open_x(self):
        env = self.env
        # One cookie for any display number: only the session's clients get in.
        env["XAUTHORITY"] = os.path.join(self.folder, "xauthority")
        field = lambda data: struct.pack(">H", len(data)) + data
        with open(env["XAUTHORITY"], "wb") as auth:
            auth.write(struct.pack(">H", 0xFFFF) + field(b"") + field(b"")
                       + field(b"MIT-MAGIC-COOKIE-1") + field(secrets.token_bytes(16)))
        # Never reset: a server resets when its last client leaves and drops
        # the connections arriving meanwhile (the window manager's, when the
        # ready check below came first).
        display = self.ready_line("X server", "xvfb.log", lambda fd: [
            "Xvfb", "-displayfd", str(fd), "-noreset", "-auth", env["XAUTHORITY"], "-nolisten", "tcp",
            "-screen", "0", f"{self.opts.screen}x24", "-dpi", str(self.opts.dpi)])
        # A real window on this server, even where the caller draws offscreen.
        env.update(DISPLAY=f":{display}", QT_QPA_PLATFORM="xcb")
        if self.opts.wm == "openbox":
            self.spawn(["openbox", "--sm-disable"], "wm.log")
        elif self.opts.wm == "mutter":
            # As GNOME Shell runs it: modal dialogs attached to their parent.
            settings = os.path.join(env["XDG_CONFIG_HOME"], "glib-2.0", "settings")
            os.makedirs(settings)
            with open(os.path.join(settings, "keyfile"), "w") as keyfile:
                keyfile.write("[org/gnome/mutter]\nattach-modal-dialogs=true\n")
            self.spawn(["mutter", "--x11", "--replace", "--sm-disable"], "wm.log",
                       env=dict(env, GSETTINGS_BACKEND="keyfile"))
        if self.opts.wm and not wait_until(lambda: "window id" in self.output(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]), 30):
            self.failed(self.opts.wm, "wm.log")

    def output(self, cmd, env=None):
        return subprocess.run(cmd, env=env or dict(self.env, LC_ALL="C"), capture_output=True,
                              text=True, check=False).stdout

    def open_audio(self):
        """PulseAudio, or a private PipeWire where that is the machine's
        server (the two conflict), with a configuration of its own that
        loads no device monitor, no Bluetooth and no D-Bus. Either way the
        only sink is the null sink "test", reached at runtime/pulse/native."""
        env, runtime = self.env, self.env["XDG_RUNTIME_DIR"]
        kind = os.environ.get("TARNWICK_AUDIO_SERVER") or (
            "pulseaudio" if shutil.which("pulseaudio") else "pipewire"
            if all(map(shutil.which, ("pipewire", "pipewire-pulse", "wireplumber"))) else "")
        env.update(PULSE_SERVER=f"unix:{runtime}/pulse/native", PULSE_SINK="test")
        if kind == "pulseaudio":
            server = self.spawn([
                "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                "--log-level=error", "--load=module-native-protocol-unix",
                "--load=module-null-sink sink_name=test rate=48000 channels=2",
                "--load=module-always-sink"], "audio.log")
        elif kind == "pipewire":
            # Only our configuration and runtime folder, and no system bus:
            # the real-time service and BlueZ live there.
            pw_env = {k: v for k, v in env.items() if not k.startswith(("PIPEWIRE_", "WIREPLUMBER_"))}
            pw_env.update(PIPEWIRE_CONFIG_DIR=os.path.join(HERE, "pipewire"),
                          PIPEWIRE_RUNTIME_DIR=runtime,
                          DBUS_SYSTEM_BUS_ADDRESS=f"unix:path={self.folder}/no-system-bus")
            self.spawn(["pipewire", "-c", "pipewire.conf"], "audio.log", env=pw_env)
            if not wait_until(lambda: os.path.exists(f"{runtime}/pipewire-0"), 10):
                self.failed("private PipeWire server", "audio.log")
            self.spawn(["wireplumber"], "audio-wireplumber.log",
                       env=dict(pw_env, WIREPLUMBER_CONFIG_DIR=pw_env["PIPEWIRE_CONFIG_DIR"]))
            os.makedirs(f"{runtime}/pulse", mode=0o700)
            server = self.spawn(["pipewire", "-c", "pipewire-pulse.conf"], "audio-pulse.log", env=pw_env)
        else:
            raise SessionError("no audio server for the tests (PulseAudio, or PipeWire with "
                               "pipewire-pulse and wireplumber): run scripts/setup.sh --test")
        # The process that serves the clients: stopping it stalls them.
        env["TARNWICK_PULSE_PID"] = str(server.pid)
        if not wait_until(lambda: "Default Sink: test\n" in self.output(["pactl", "info"]), 10):
            self.failed(f"private {kind} server", *(n for n in os.listdir(self.folder) if n.startswith("audio")))
        # An idle null sink renders nothing and its monitor records nothing: a
        # stream of silence keeps the recording on the wall clock.
        self.spawn(["pacat", "--latency-msec=10", "--raw", "/dev/zero"], None)
        env["TARNWICK_TEST_PULSE"] = "1"

    def open_wine(self):
        """A private prefix, no Mono or Gecko, no menu entries, and a server
        kept between programs, so a window appears in under a second."""
        env = self.env
        # The 64-bit loader itself: the `wine` wrapper first complains that
        # the 32-bit half a 64-bit program never needs is missing.
        if os.access("/usr/lib/wine/wine64", os.X_OK):
            loader, server = "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver"
        else:
            loader, server = shutil.which("wine64") or shutil.which("wine"), shutil.which("wineserver")
        # LC_ALL leaves Wine's ANSI code page: only wide calls reach every folder.
        env.update(WINEPREFIX=os.path.join(self.folder, "wine"), WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d", LC_ALL="C.UTF-8",
                   WINELOADER=loader, WINESERVER=server, TARNWICK_WINE=loader, TARNWICK_WINESERVER=server)
        self.spawn([server, "-p"], "wineserver.log").wait()
        boot = self.spawn([loader, "wineboot", "-i"], "wineboot.log")
        if boot.wait(timeout=120) != 0:
            self.failed("Wine prefix", "wineboot.log")

    def close(self):
        for sig in ENDING_SIGNALS:
            signal.signal(sig, signal.SIG_IGN)
        if self.opts.wine and "WINESERVER" in self.env:
            subprocess.run([self.env["WINESERVER"], "-k"], env=self.env, timeout=20, check=False,
                           stderr=subprocess.DEVNULL)
        ended = sweep(self.tag)
        shutil.rmtree(self.folder, ignore_errors=True)
        return ended

    def save(self):
        changed = {k: v for k, v in self.env.items() if os.environ.get(k) != v}
        removed = [k for k in os.environ if k not in self.env]
        with open(os.path.join(self.folder, "env.json"), "w") as saved:
            json.dump({"set": changed, "unset": removed, "pid": os.getpid()}, saved)


def run(opts):
    end_on_signals()
    session = Session(make_folder("session"), opts, dict(os.environ))
    start_watchdog(session.tag, session.folder)
    try:
        session.open()
        # Its own handlers of our signals are not inherited: default ones are.
        return exit_status(subprocess.Popen(opts.command, env=session.env).wait())
    except (SessionError, OSError) as error:
        print(f"session.py: {error}", file=sys.stderr)
        return 127 if isinstance(error, FileNotFoundError) else 1
    finally:
        session.close()


def start(opts):
    """Forks a detached supervisor that opens the session, links DIR to its
    folder, and lives until `stop DIR`, a signal, or the end of the process
    that called start (CTest)."""
    if os.path.lexists(opts.dir):
        stop(opts)
    owner, (read_end, write_end) = os.getppid(), os.pipe()
    child = os.fork()
    if child == 0:
        os.close(read_end)
        os.setsid()
        if os.fork():
            os._exit(0)
        # Holding none of the caller's output, which CTest reads to its end.
        devnull = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(devnull, fd)
        os._exit(supervise(opts, owner, write_end))
    os.close(write_end)
    os.waitpid(child, 0)
    with os.fdopen(read_end) as ready:
        message = ready.read()
    if message != "ok":
        print(f"session.py: {message or 'the supervisor ended'}", file=sys.stderr)
        return 1
    return 0


def supervise(opts, owner, ready):
    end_on_signals()
    session = None
    try:
        session = Session(make_folder("session"), opts, dict(os.environ))
        start_watchdog(session.tag, session.folder)
        session.open()
        session.save()
        os.makedirs(os.path.dirname(os.path.abspath(opts.dir)), exist_ok=True)
        os.symlink(session.folder, opts.dir)
        os.write(ready, b"ok")
        os.close(ready)
        wait_for_end(owner)
        return 0
    except (SessionError, OSError) as error:
        os.write(ready, str(error).encode())
        return 1
    finally:
        if session:
            session.close()
        if os.path.islink(opts.dir) and os.readlink(opts.dir) == getattr(session, "folder", None):
            os.unlink(opts.dir)


def session_folder(handle):
    """The session folder DIR links to, or None: never any other folder."""
    target = os.readlink(handle) if os.path.islink(handle) else ""
    return target if os.path.basename(target).startswith("tarnwick-session.") else None


def execute(opts):
    folder = session_folder(opts.dir)
    try:
        with open(os.path.join(folder or "/nonexistent", "env.json")) as saved:
            session = json.load(saved)
    except OSError:
        print(f"session.py: no session at {opts.dir} (did its start run?)", file=sys.stderr)
        return 2
    env = {k: v for k, v in os.environ.items() if k not in session["unset"]}
    env.update(session["set"])
    os.execvpe(opts.command[0], opts.command, env)


def stop(opts):
    folder = session_folder(opts.dir)
    if folder:
        try:
            with open(os.path.join(folder, "env.json")) as saved:
                supervisor = json.load(saved)["pid"]
            os.kill(supervisor, signal.SIGTERM)
            wait_for_end(supervisor, 20)
        except (OSError, ValueError, KeyError):
            pass
        # Whatever a supervisor killed outright left.
        sweep(f"{SESSION_TAG}={folder}")
        shutil.rmtree(folder, ignore_errors=True)
    if os.path.islink(opts.dir):
        os.unlink(opts.dir)
    return 0 if not folder or not (os.path.exists(folder) or tagged(f"{SESSION_TAG}={folder}")) else 1


def watch(opts):
    wait_for_end(opts.pid)
    ended = sweep(opts.entry)
    shutil.rmtree(opts.folder, ignore_errors=True)
    return 0 if ended else 1


def protected_steps(root, entry):
    """Descendants of root without the gate's tag: steps that must never be
    stopped halfway (setup, whose apt and dpkg run untagged)."""
    children = {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/stat") as stat:
                children.setdefault(int(stat.read().rpartition(")")[2].split()[1]), []).append(int(pid))
        except OSError:
            pass
    found, todo = [], list(children.get(root, []))
    while todo:
        pid = todo.pop()
        todo += children.get(pid, [])
        if not carries(pid, entry):
            found.append(pid)
    return found


def gate(opts):
    """The gate's envelope: an allow-listed environment, private home,
    runtime and temporary folders, no bus and no audio server, a tag on
    every process, swept at the end, on a signal, and by a watchdog after a
    SIGKILL. A signal while an untagged step runs (apt) waits for it first."""
    caller = os.environ
    cache = caller.get("TARNWICK_CACHE_HOME") or os.path.join(
        caller.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "tarnwick")
    folder = make_folder("gate")
    entry = f"{GATE_TAG}={folder}"
    env = {k: caller[k] for k in GATE_ALLOWED if k in caller}
    env.update(TARNWICK_GATE_ENV="allow-listed", PATH=caller.get("PATH", os.defpath), LANG="C.UTF-8",
               TARNWICK_CACHE_HOME=cache, QT_QPA_PLATFORM="offscreen", **{GATE_TAG: folder})
    private_env(folder, env)
    start_watchdog(entry, folder)
    print(f"session.py gate: this run's folder and tag: {folder}", flush=True)
    # The command runs in a session of its own: a terminal's Ctrl-C reaches
    # only this process, which decides what ends when.
    child = subprocess.Popen(opts.command, env=env, start_new_session=True)

    def end(sig, _frame):
        for each in ENDING_SIGNALS:
            signal.signal(each, signal.SIG_IGN)
        print(f"session.py gate: {signal.Signals(sig).name}", file=sys.stderr, flush=True)
        steps = protected_steps(child.pid, entry)
        if steps:
            print("session.py gate: waiting for setup to finish (apt is never stopped halfway)",
                  file=sys.stderr, flush=True)
            wait_until(lambda: not any(map(alive, steps)), float("inf"))
        raise SystemExit(128 + sig)
    for sig in ENDING_SIGNALS:
        signal.signal(sig, end)
    try:
        return exit_status(child.wait())
    finally:
        if not sweep(entry):
            print("session.py gate: some processes of this run did not end", file=sys.stderr)
        shutil.rmtree(folder, ignore_errors=True)


def main(argv):
    options = argparse.ArgumentParser(add_help=False)
    options.add_argument("--screen", default="1024x768")
    options.add_argument("--dpi", type=int, default=96)
    options.add_argument("--wm", choices=("openbox", "mutter"))
    for flag in ("--pulse", "--bus", "--no-x", "--wine"):
        options.add_argument(flag, action="store_true")
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="action", required=True)
    commands.add_parser("run", parents=[options]).add_argument("command", nargs=argparse.REMAINDER)
    commands.add_parser("start", parents=[options]).add_argument("dir")
    for name in ("exec", "stop"):
        commands.add_parser(name).add_argument("dir")
    commands.choices["exec"].add_argument("command", nargs=argparse.REMAINDER)
    commands.add_parser("gate").add_argument("command", nargs=argparse.REMAINDER)
    watcher = commands.add_parser("watch")
    for name, kind in (("pid", int), ("entry", str), ("folder", str)):
        watcher.add_argument(name, type=kind)
    opts = parser.parse_args(argv)
    if hasattr(opts, "command"):
        opts.command = opts.command[opts.command[:1] == ["--"]:]
        if not opts.command:
            parser.error("a command is needed")
    return {"run": run, "start": start, "exec": execute, "stop": stop, "gate": gate,
            "watch": watch}[opts.action](opts)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
