#!/usr/bin/env python3
"""Private sessions for the tests, and the gate's envelope.

  session.py run [options] [--] CMD...  CMD in a one-shot session
  session.py start DIR [options]        a session DIR names until `stop DIR`,
                                        or until the caller (CTest) ends
  session.py exec DIR -- CMD...         CMD in that session
  session.py stop DIR
  session.py gate -- CMD...             CMD with the gate's guarantees

Options: --screen WxH, --dpi N, --wm openbox|mutter, --pulse (a null sink
"test"), --bus (else the bus is disabled), --no-x, --wine (a private prefix).

Nothing of the caller's desktop reaches CMD. Every process started carries a
tag in its environment; whatever carries it is ended when the session ends,
detached daemons included, and after a SIGKILL by a watchdog outside the tree.
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
SESSION_TAG, GATE_TAG = "TARNWICK_SESSION_TAG", "TARNWICK_GATE_TAG"
DESKTOP = ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER", "DESKTOP_SESSION", "PULSE_SINK",
           "PULSE_SOURCE", "PULSE_COOKIE", "AT_SPI_BUS_ADDRESS", "WINEPREFIX", "WINEARCH", "WINEDLLPATH")
GATE_ALLOWED = ("USER", "LOGNAME", "TERM", "CI", "TMPDIR", "CCACHE_DIR", "TARNWICK_LINT_CACHE",
                "TARNWICK_FUZZ_MIN_RUNS")
ENDINGS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


class SessionError(Exception):
    pass


def make_folder(kind):
    # Socket addresses cannot carry every byte (PULSE_SERVER is split at
    # spaces, sun_path is short): /tmp where TMPDIR holds others.
    tmp = os.environ.get("TMPDIR", "/tmp")
    return tempfile.mkdtemp(prefix=f"tarnwick-{kind}.",
                            dir=tmp if re.fullmatch(r"[-\w./]{1,60}", tmp, re.ASCII) else "/tmp")


def private_env(folder, env):
    """env with home, runtime and temporary folders in folder, no bus, no
    audio server and nothing else of the caller's desktop."""
    for name in DESKTOP:
        env.pop(name, None)
    home = f"{folder}/home"
    env.update(HOME=home, XDG_RUNTIME_DIR=f"{folder}/runtime", XDG_CONFIG_HOME=f"{home}/.config",
               XDG_CACHE_HOME=f"{home}/.cache", XDG_DATA_HOME=f"{home}/.local/share",
               XDG_STATE_HOME=f"{home}/.local/state", TMPDIR=f"{folder}/tmp",
               PULSE_CLIENTCONFIG=f"{home}/.config/pulse/client.conf",
               PULSE_SERVER=f"unix:{folder}/no-audio-server", SDL_AUDIODRIVER="pulseaudio",
               # A bus must never be auto-launched: such a daemon detaches.
               DBUS_SESSION_BUS_ADDRESS="disabled:")
    for path in (env["XDG_RUNTIME_DIR"], env["TMPDIR"], f"{home}/.config/pulse"):
        os.makedirs(path, mode=0o700)
    with open(env["PULSE_CLIENTCONFIG"], "w") as conf:
        conf.write("autospawn = no\n")  # no client starts a server of its own
    return env


def proc(pid, name):
    try:
        with open(f"/proc/{pid}/{name}", "rb") as file:
            return file.read()
    except OSError:
        return b""


def alive(pid):
    return proc(pid, "stat").rpartition(b")")[2][1:2] not in (b"", b"Z")


def carries(pid, entry):
    return entry.encode() in proc(pid, "environ").split(b"\0")


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
    """Ends whatever carries entry: continued (a stopped process ignores
    SIGTERM), then SIGTERM, then SIGKILL after up to 3 s."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        for pid, each in ((pid, each) for pid in tagged(entry) for each in (signal.SIGCONT, sig)):
            try:
                os.kill(pid, each)
            except ProcessLookupError:
                pass
        if wait_until(lambda: not tagged(entry), 3):
            return True
    return False


def wait_for_end(pid, seconds=None):
    try:
        with os.fdopen(os.pidfd_open(pid)) as pidfd:
            return bool(select.select([pidfd], [], [], seconds)[0])
    except ProcessLookupError:
        return True


def start_watchdog(entry, folder):
    """Detached and untagged: sweeps entry and removes folder once this
    process has ended, however it ended."""
    env = {k: v for k, v in os.environ.items() if k not in (SESSION_TAG, GATE_TAG)}
    subprocess.run(["setsid", "-f", sys.executable, os.path.abspath(__file__), "watch", str(os.getpid()),
                    entry, folder], env=env, check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def on_endings(handler):
    for sig in ENDINGS:
        signal.signal(sig, handler)


def exit_with_signal(sig, _frame):
    raise SystemExit(128 + sig)


def exit_status(code):
    return code if code >= 0 else 128 - code


class Session:
    def __init__(self, opts, env):
        self.opts, self.folder = opts, make_folder("session")
        self.tag = f"{SESSION_TAG}={self.folder}"
        self.env = private_env(self.folder, env)
        self.env.update({SESSION_TAG: self.folder, "TARNWICK_SESSION_DIR": self.folder,
                         "X_SESSION_DIR": self.folder})

    def spawn(self, cmd, log, env=None, **kwargs):
        with open(f"{self.folder}/{log}" if log else os.devnull, "w") as out:
            return subprocess.Popen(cmd, env=env or self.env, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, **kwargs)

    def failed(self, what, *logs):
        text = "".join(open(f"{self.folder}/{log}", errors="replace").read() for log in logs)
        raise SessionError(f"the {what} did not start:\n{text}")

    def output(self, *cmd):
        return subprocess.run(cmd, env=dict(self.env, LC_ALL="C"), capture_output=True, text=True).stdout

    def ready_line(self, what, log, cmd):
        """Starts a server that writes a line (its address, its display) to
        the descriptor given to cmd() once it is ready."""
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
        env, wm = self.env, self.opts.wm
        # One cookie for any display number: only the session's clients get in.
        env["XAUTHORITY"] = f"{self.folder}/xauthority"
        fields = (b"", b"", b"MIT-MAGIC-COOKIE-1", secrets.token_bytes(16))  # address, display, kind
        with open(env["XAUTHORITY"], "wb") as auth:
            auth.write(struct.pack(">H", 0xFFFF) + b"".join(struct.pack(">H", len(f)) + f for f in fields))
        # Never reset: a server resets when its last client leaves and drops
        # the connections arriving meanwhile (the window manager's, when the
        # ready check below came first).
        display = self.ready_line("X server", "xvfb.log", lambda fd: [
            "Xvfb", "-displayfd", str(fd), "-noreset", "-auth", env["XAUTHORITY"], "-nolisten", "tcp",
            "-screen", "0", f"{self.opts.screen}x24", "-dpi", str(self.opts.dpi)])
        # A real window on this server, even where the caller draws offscreen.
        env.update(DISPLAY=f":{display}", QT_QPA_PLATFORM="xcb")
        if wm == "mutter":
            # As GNOME Shell runs it: modal dialogs attached to their parent.
            os.makedirs(f"{env['XDG_CONFIG_HOME']}/glib-2.0/settings")
            with open(f"{env['XDG_CONFIG_HOME']}/glib-2.0/settings/keyfile", "w") as keyfile:
                keyfile.write("[org/gnome/mutter]\nattach-modal-dialogs=true\n")
        if wm:
            # Ready once it manages windows: openbox runs its startup command
            # then, mutter has set the current desktop. The supporting-WM
            # check is set earlier in their start-up: on a busy machine the
            # first windows then waited unframed for seconds.
            ready = f"{self.folder}/wm-ready"
            self.spawn({"openbox": ["openbox", "--sm-disable", "--startup", f"touch {ready}"],
                        "mutter": ["mutter", "--x11", "--replace", "--sm-disable"]}[wm], "wm.log",
                       env=dict(env, GSETTINGS_BACKEND="keyfile"))
            if not wait_until(lambda: os.path.exists(ready) if wm == "openbox" else "= 0" in self.output(
                    "xprop", "-root", "_NET_CURRENT_DESKTOP"), 30):
                self.failed(wm, "wm.log")

    def open_audio(self):
        """PulseAudio, or a private PipeWire where that is the machine's (the
        two conflict) with a configuration of its own: no device monitor, no
        Bluetooth, no D-Bus. Either way the one sink is the null sink "test",
        reached at runtime/pulse/native."""
        env, runtime = self.env, self.env["XDG_RUNTIME_DIR"]
        kind = os.environ.get("TARNWICK_AUDIO_SERVER") or (
            "pulseaudio" if shutil.which("pulseaudio") else "pipewire"
            if all(map(shutil.which, ("pipewire", "pipewire-pulse", "wireplumber"))) else "none")
        env.update(PULSE_SERVER=f"unix:{runtime}/pulse/native", PULSE_SINK="test")
        if kind == "pulseaudio":
            server = self.spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                                 "--disallow-exit", "--log-level=error", "--load=module-native-protocol-unix",
                                 "--load=module-null-sink sink_name=test rate=48000 channels=2",
                                 "--load=module-always-sink"], "audio.log")
        elif kind == "pipewire":
            # Our configuration and runtime folder only, and no system bus:
            # the real-time service and BlueZ live there.
            pw_env = {k: v for k, v in env.items() if not k.startswith(("PIPEWIRE_", "WIREPLUMBER_"))}
            pw_env.update(PIPEWIRE_CONFIG_DIR=f"{HERE}/pipewire", WIREPLUMBER_CONFIG_DIR=f"{HERE}/pipewire",
                          PIPEWIRE_RUNTIME_DIR=runtime,
                          DBUS_SYSTEM_BUS_ADDRESS=f"unix:path={self.folder}/no-bus")
            self.spawn(["pipewire", "-c", "pipewire.conf"], "audio.log", env=pw_env)
            if not wait_until(lambda: os.path.exists(f"{runtime}/pipewire-0"), 10):
                self.failed("private PipeWire server", "audio.log")
            self.spawn(["wireplumber"], "audio-wireplumber.log", env=pw_env)
            os.makedirs(f"{runtime}/pulse", mode=0o700)
            server = self.spawn(["pipewire", "-c", "pipewire-pulse.conf"], "audio-pulse.log", env=pw_env)
        else:
            raise SessionError(f"no audio server {kind} for the tests (PulseAudio, or PipeWire with "
                               "pipewire-pulse and wireplumber): run scripts/setup.sh --test")
        # The process that serves the clients: stopping it stalls them.
        env["TARNWICK_PULSE_PID"] = str(server.pid)
        if not wait_until(lambda: "Default Sink: test\n" in self.output("pactl", "info"), 10):
            self.failed(f"private {kind} server",
                        *(name for name in os.listdir(self.folder) if name.startswith("audio")))
        # An idle null sink renders nothing and its monitor records nothing:
        # a stream of silence keeps the recording on the wall clock.
        self.spawn(["pacat", "--latency-msec=10", "--raw", "/dev/zero"], None)
        env["TARNWICK_TEST_PULSE"] = "1"

    def open_wine(self):
        """A private prefix, no Mono, Gecko or menu entries, and a server kept
        between programs, so a window appears in under a second."""
        # The 64-bit loader itself: the `wine` wrapper first complains that
        # the 32-bit half, which a 64-bit program never needs, is missing.
        loader, server = ("/usr/lib/wine/wine64", "/usr/lib/wine/wineserver") if os.access(
            "/usr/lib/wine/wine64", os.X_OK) else (shutil.which("wine64") or shutil.which("wine"),
                                                   shutil.which("wineserver"))
        # C.UTF-8 leaves Wine's ANSI code page: only wide calls reach every folder.
        self.env.update(WINEPREFIX=f"{self.folder}/wine", WINEDEBUG="-all", LC_ALL="C.UTF-8",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d", WINELOADER=loader,
                        WINESERVER=server, TARNWICK_WINE=loader, TARNWICK_WINESERVER=server)
        self.spawn([server, "-p"], "wineserver.log").wait()
        if self.spawn([loader, "wineboot", "-i"], "wineboot.log").wait(timeout=120) != 0:
            self.failed("Wine prefix", "wineboot.log")

    def close(self):
        on_endings(signal.SIG_IGN)
        if self.opts.wine and "WINESERVER" in self.env:
            subprocess.run([self.env["WINESERVER"], "-k"], env=self.env, timeout=20,
                           stderr=subprocess.DEVNULL)
        ended = sweep(self.tag)
        shutil.rmtree(self.folder, ignore_errors=True)
        return ended


def run(opts):
    on_endings(exit_with_signal)
    session = Session(opts, dict(os.environ))
    start_watchdog(session.tag, session.folder)
    try:
        session.open()
        # Our handlers are not inherited: the command gets default ones.
        return exit_status(subprocess.Popen(opts.command, env=session.env).wait())
    except (SessionError, OSError) as error:
        print(f"session.py: {error}", file=sys.stderr)
        return 127 if isinstance(error, FileNotFoundError) else 1
    finally:
        session.close()


def start(opts):
    """Forks a detached supervisor that opens the session, links DIR to its
    folder, and lives until `stop DIR`, a signal or the end of our caller."""
    if os.path.lexists(opts.dir):
        stop(opts)
    owner, (read_end, write_end) = os.getppid(), os.pipe()
    child = os.fork()
    if child == 0:
        os.close(read_end)
        os.setsid()
        if os.fork() == 0:
            # Holding none of the caller's output, which CTest reads to its end.
            devnull = os.open(os.devnull, os.O_RDWR)
            for fd in (0, 1, 2):
                os.dup2(devnull, fd)
            supervise(opts, owner, write_end)
        os._exit(0)
    os.close(write_end)
    os.waitpid(child, 0)
    with os.fdopen(read_end) as ready:
        message = ready.read()
    if message != "ok":
        print(f"session.py: {message or 'the supervisor ended'}", file=sys.stderr)
    return 0 if message == "ok" else 1


def supervise(opts, owner, ready):
    on_endings(exit_with_signal)
    session = Session(opts, dict(os.environ))
    try:
        start_watchdog(session.tag, session.folder)
        session.open()
        with open(f"{session.folder}/env.json", "w") as saved:
            json.dump({"set": {k: v for k, v in session.env.items() if os.environ.get(k) != v},
                       "unset": [k for k in os.environ if k not in session.env], "pid": os.getpid()}, saved)
        os.makedirs(os.path.dirname(os.path.abspath(opts.dir)), exist_ok=True)
        os.symlink(session.folder, opts.dir)
        os.write(ready, b"ok")
        os.close(ready)
        wait_for_end(owner)
    except (SessionError, OSError) as error:
        os.write(ready, str(error).encode())
    finally:
        session.close()
        if os.path.islink(opts.dir) and os.readlink(opts.dir) == session.folder:
            os.unlink(opts.dir)


def session_folder(handle):
    """The session folder DIR links to, or None: never any other folder."""
    target = os.readlink(handle) if os.path.islink(handle) else ""
    return target if os.path.basename(target).startswith("tarnwick-session.") else None


def execute(opts):
    try:
        with open(f"{session_folder(opts.dir)}/env.json") as saved:
            session = json.load(saved)
    except OSError:
        sys.exit(f"session.py: no session at {opts.dir} (did its start run?)")
    env = {k: v for k, v in os.environ.items() if k not in session["unset"]}
    os.execvpe(opts.command[0], opts.command, dict(env, **session["set"]))


def stop(opts):
    folder = session_folder(opts.dir)
    if folder:
        try:
            with open(f"{folder}/env.json") as saved:
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
    return 1 if folder and (os.path.exists(folder) or tagged(f"{SESSION_TAG}={folder}")) else 0


def watch(opts):
    wait_for_end(opts.pid)
    ended = sweep(opts.entry)
    shutil.rmtree(opts.folder, ignore_errors=True)
    return 0 if ended else 1


def untagged_descendants(root, entry):
    """The steps that must never be stopped halfway: setup runs apt and
    dpkg without the gate's tag."""
    children = {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        parent = proc(pid, "stat").rpartition(b")")[2].split()[1:2]
        children.setdefault(int(parent[0]) if parent else 0, []).append(int(pid))
    found, todo = [], list(children.get(root, []))
    while todo:
        pid = todo.pop()
        todo += children.get(pid, [])
        found += [] if carries(pid, entry) else [pid]
    return found


def gate(opts):
    """An allow-listed environment with private folders, no bus, no audio
    server, a tag on every process, swept at the end, on a signal, and by
    a watchdog after a SIGKILL. A signal while an untagged step runs waits
    for it to end first."""
    caller = os.environ
    cache = caller.get("TARNWICK_CACHE_HOME") or os.path.join(
        caller.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "tarnwick")
    folder = make_folder("gate")
    entry = f"{GATE_TAG}={folder}"
    env = private_env(folder, {k: caller[k] for k in GATE_ALLOWED if k in caller})
    env.update({"TARNWICK_GATE_ENV": "allow-listed", "PATH": caller.get("PATH", os.defpath),
                "LANG": "C.UTF-8", "TARNWICK_CACHE_HOME": cache, "QT_QPA_PLATFORM": "offscreen",
                GATE_TAG: folder})
    start_watchdog(entry, folder)
    print(f"session.py gate: this run's folder and tag: {folder}", flush=True)
    child = None

    def end(sig, _frame):
        on_endings(signal.SIG_IGN)
        print(f"session.py gate: {signal.Signals(sig).name}", file=sys.stderr, flush=True)
        steps = untagged_descendants(child.pid, entry) if child else []
        if steps:
            print("session.py gate: waiting for setup to finish (apt is never stopped halfway)",
                  file=sys.stderr, flush=True)
            wait_until(lambda: not any(map(alive, steps)), float("inf"))
        raise SystemExit(128 + sig)
    on_endings(end)
    try:
        # In a session of its own: a terminal's Ctrl-C reaches only us.
        child = subprocess.Popen(opts.command, env=env, start_new_session=True)
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
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    actions = parser.add_subparsers(dest="action", required=True)
    for name, parents, args in (("run", [options], ["command"]), ("start", [options], ["dir"]),
                                ("exec", [], ["dir", "command"]), ("stop", [], ["dir"]),
                                ("gate", [], ["command"]), ("watch", [], ["pid", "entry", "folder"])):
        action = actions.add_parser(name, parents=parents)
        for arg in args:
            kind = {"command": {"nargs": argparse.REMAINDER}, "pid": {"type": int}}.get(arg, {})
            action.add_argument(arg, **kind)
    opts = parser.parse_args(argv)
    if hasattr(opts, "command"):
        opts.command = opts.command[opts.command[:1] == ["--"]:] or parser.error("a command is needed")
    return {"run": run, "start": start, "exec": execute, "stop": stop, "gate": gate, "watch": watch}[
        opts.action](opts)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
