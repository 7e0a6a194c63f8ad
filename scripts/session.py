#!/usr/bin/env python3
"""Private sessions for the tests, and the gate's envelope (docs/testing.md).

  session.py run [options] [--] CMD...  CMD in a one-shot session
  session.py start DIR [options]        a session DIR names, until `stop DIR` or the caller's end
  session.py exec DIR -- CMD...         CMD in that session
  session.py stop DIR
  session.py gate -- CMD...             CMD with the gate's guarantees

Options: --screen WxH, --wm openbox|mutter, --pulse (a null sink "test"), --bus (else none), --no-x,
--wine (a private prefix). What a session starts ends with it, however it ends.
"""
import argparse
import contextlib
import inspect
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

SELF = os.path.abspath(__file__)
HERE = os.path.dirname(SELF)
SESSION_TAG, GATE_TAG = "TARNWICK_SESSION_TAG", "TARNWICK_GATE_TAG"
DESKTOP = ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER", "DESKTOP_SESSION", "PULSE_SINK",
           "PULSE_SOURCE", "PULSE_COOKIE", "AT_SPI_BUS_ADDRESS", "WINEPREFIX", "WINEARCH", "WINEDLLPATH")
GATE_ALLOWED = ("USER", "LOGNAME", "TERM", "CI", "TMPDIR", "CCACHE_DIR", "TARNWICK_LINT_CACHE")
ENDINGS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)
OPTIONS = argparse.ArgumentParser(prog="session.py run")
OPTIONS.add_argument("--screen", default="1024x768")
OPTIONS.add_argument("--wm", choices=("openbox", "mutter"))
for flag in ("--pulse", "--bus", "--no-x", "--wine"):
    OPTIONS.add_argument(flag, action="store_true")
OPTIONS.add_argument("command", nargs=argparse.REMAINDER)


def make_folder(kind):
    # Socket addresses cannot carry every byte (PULSE_SERVER is split at
    # spaces, sun_path is short): /tmp where TMPDIR holds others.
    tmp = os.environ.get("TMPDIR", "/tmp")
    return tempfile.mkdtemp(prefix=f"tarnwick-{kind}.",
                            dir=tmp if re.fullmatch(r"[-\w./]{1,60}", tmp, re.ASCII) else "/tmp")


def private_env(folder, env):
    """env with its folders in folder, and no bus, audio server or else of the caller's desktop."""
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
    with contextlib.suppress(OSError), open(f"/proc/{pid}/{name}", "rb") as file:
        return file.read()
    return b""


def processes():
    """Every live process but us: its id, the fields of its stat after the
    name (state, parent, group, session...) and its environment."""
    for pid in map(int, filter(str.isdigit, os.listdir("/proc"))):
        fields = proc(pid, "stat").rpartition(b")")[2].split()
        if pid != os.getpid() and fields[:1] not in ([], [b"Z"]):
            yield pid, fields, proc(pid, "environ").split(b"\0")


def tagged(entry):
    return [pid for pid, _, environ in processes() if entry.encode() in environ]


def wait_until(check, seconds):
    deadline = time.monotonic() + seconds
    while not check():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.1)
    return True


def sweep(entry, folder):
    """Ends whatever carries entry, continued first (a stopped process ignores SIGTERM), with SIGKILL
    after 3 s; then removes folder. True once both are gone."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        for pid in tagged(entry):
            with contextlib.suppress(ProcessLookupError):
                os.kill(pid, signal.SIGCONT)
                os.kill(pid, sig)
        if wait_until(lambda: not tagged(entry), 3):
            break
    shutil.rmtree(folder, ignore_errors=True)
    return not tagged(entry) and not os.path.exists(folder)


def wait_for_end(pid):
    try:
        with os.fdopen(os.pidfd_open(pid)) as pidfd:
            select.select([pidfd], [], [])
    except ProcessLookupError:
        pass


class Session:
    """Private folders, and a tag on env that a watchdog sweeps once this process has ended."""

    def __init__(self, env, kind="session", tag=SESSION_TAG):
        self.folder, self.wineserver = make_folder(kind), None
        self.tag = f"{tag}={self.folder}"
        self.env = private_env(self.folder, env)
        self.env[tag] = self.folder
        # Detached and untagged, so that nothing that ends us ends it too.
        watchdog_env = {k: v for k, v in os.environ.items() if k not in (SESSION_TAG, GATE_TAG)}
        subprocess.run(["setsid", "-f", sys.executable, SELF, "watch", str(os.getpid()),
                        self.tag, self.folder], env=watchdog_env, check=True, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def run(self, cmd, opts=None):
        """Opens the session as opts ask, runs cmd in a process session of its own and ends all. A signal
        ends us with its status once cmd's untagged steps (setup's apt: never halfway) have ended."""
        child = None

        def end(sig, _frame):
            for each in ENDINGS:
                signal.signal(each, signal.SIG_IGN)
            print(f"session.py: {signal.Signals(sig).name}", file=sys.stderr, flush=True)
            steps = {pid for pid, fields, environ in processes()
                     if child and fields[3] == str(child.pid).encode() and self.tag.encode() not in environ}
            if steps:
                print("session.py: waiting for setup to finish (apt is never stopped halfway)",
                      file=sys.stderr, flush=True)
                wait_until(lambda: not steps & {pid for pid, _, _ in processes()}, float("inf"))
            sys.exit(128 + sig)
        for sig in ENDINGS:
            signal.signal(sig, end)
        try:
            if opts:
                self.open(opts)
            # Our handlers are not inherited: cmd gets default ones.
            child = subprocess.Popen(cmd, env=self.env, start_new_session=True)
            status = child.wait()
            return status if status >= 0 else 128 - status
        except OSError as error:
            print(f"session.py: {error}", file=sys.stderr)
            return 127 if isinstance(error, FileNotFoundError) else 1
        finally:
            for sig in ENDINGS:
                signal.signal(sig, signal.SIG_IGN)
            if self.wineserver:
                subprocess.run([self.wineserver, "-k"], env=self.env, timeout=20, stderr=subprocess.DEVNULL)
            if not sweep(self.tag, self.folder):
                print("session.py: some processes of this session did not end", file=sys.stderr)

    def spawn(self, cmd, log, env=None, **kwargs):
        with open(f"{self.folder}/{log}" if log else os.devnull, "w") as out:
            return subprocess.Popen(cmd, env=env or self.env, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, **kwargs)

    def check(self, ready, what, *logs):
        if not ready:
            text = "".join(open(f"{self.folder}/{log}", errors="replace").read() for log in logs)
            sys.exit(f"session.py: the {what} did not start:\n{text}")
        return ready

    def output(self, *cmd):
        return subprocess.run(cmd, env=dict(self.env, LC_ALL="C"), capture_output=True, text=True).stdout

    def open(self, opts):
        env = self.env
        env["TARNWICK_SESSION_DIR"] = self.folder
        if opts.bus:
            bus = f"{env['XDG_RUNTIME_DIR']}/bus"
            self.spawn(["dbus-daemon", "--session", "--nofork", "--nopidfile", f"--address=unix:path={bus}"],
                       "bus.log")
            self.check(wait_until(lambda: os.path.exists(bus), 10), "session bus", "bus.log")
            env["DBUS_SESSION_BUS_ADDRESS"] = f"unix:path={bus}"
        if not opts.no_x:
            self.open_x(opts.screen, opts.wm)
        if opts.pulse:
            self.open_audio()
        if opts.wine:
            self.open_wine()
        # For `exec`: what the session changes in its caller's environment.
        with open(f"{self.folder}/env.json", "w") as saved:
            json.dump({"set": {k: v for k, v in env.items() if os.environ.get(k) != v},
                       "unset": [k for k in os.environ if k not in env], "pid": os.getpid()}, saved)

    def open_x(self, screen, wm):
        env = self.env
        # One cookie for any display number: only the session's clients get in.
        env["XAUTHORITY"] = f"{self.folder}/xauthority"
        fields = (b"", b"", b"MIT-MAGIC-COOKIE-1", secrets.token_bytes(16))  # address, display, kind
        with open(env["XAUTHORITY"], "wb") as auth:
            auth.write(struct.pack(">H", 0xFFFF) + b"".join(struct.pack(">H", len(f)) + f for f in fields))
        # Never reset: a reset when the last client leaves drops the connections arriving meanwhile
        # (the window manager's, after the ready check). Once ready it writes its display.
        read_end, write_end = os.pipe()
        self.spawn(["Xvfb", "-displayfd", str(write_end), "-noreset", "-auth", env["XAUTHORITY"], "-nolisten",
                    "tcp", "-screen", "0", f"{screen}x24", "-dpi", "96"], "xvfb.log", pass_fds=[write_end])
        os.close(write_end)
        with os.fdopen(read_end) as ready:
            display = ready.readline().strip() if select.select([ready], [], [], 30)[0] else ""
        # A real window on this server, even where the caller draws offscreen.
        env.update(DISPLAY=f":{self.check(display, 'X server', 'xvfb.log')}", QT_QPA_PLATFORM="xcb")
        if wm == "mutter":
            # As GNOME Shell runs it: modal dialogs attached to their parent.
            os.makedirs(f"{env['XDG_CONFIG_HOME']}/glib-2.0/settings")
            with open(f"{env['XDG_CONFIG_HOME']}/glib-2.0/settings/keyfile", "w") as keyfile:
                keyfile.write("[org/gnome/mutter]\nattach-modal-dialogs=true\n")
        if wm:
            # Ready once it manages windows (openbox runs its startup command, mutter has set the desktop),
            # not at the earlier supporting-WM check: on a busy machine windows then waited unframed.
            ready = f"{self.folder}/wm-ready"
            self.spawn({"openbox": ["openbox", "--sm-disable", "--startup", f"touch {ready}"],
                        "mutter": ["mutter", "--x11", "--replace", "--sm-disable"]}[wm], "wm.log",
                       env=dict(env, GSETTINGS_BACKEND="keyfile"))
            self.check(wait_until(lambda: os.path.exists(ready) if wm == "openbox" else "= 0" in self.output(
                "xprop", "-root", "_NET_CURRENT_DESKTOP"), 30), wm, "wm.log")

    def open_audio(self):
        """PulseAudio, or where PipeWire is the machine's (they conflict) a private one configured with no
        device monitor, Bluetooth or D-Bus. Either way the one sink is the null sink "test"."""
        env, runtime = self.env, self.env["XDG_RUNTIME_DIR"]
        kind = os.environ.get("TARNWICK_AUDIO_SERVER") or (
            "pulseaudio" if shutil.which("pulseaudio") else "pipewire")
        env.update(PULSE_SERVER=f"unix:{runtime}/pulse/native", PULSE_SINK="test")
        if kind == "pulseaudio":
            server = self.spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                                 "--disallow-exit", "--log-level=error", "--load=module-native-protocol-unix",
                                 "--load=module-null-sink sink_name=test rate=48000 channels=2",
                                 "--load=module-always-sink"], "audio.log")
        else:
            # Our configuration and runtime folder only; no system bus (the real-time service, BlueZ).
            pw_env = {k: v for k, v in env.items() if not k.startswith(("PIPEWIRE_", "WIREPLUMBER_"))}
            pw_env.update(PIPEWIRE_CONFIG_DIR=f"{HERE}/pipewire", WIREPLUMBER_CONFIG_DIR=f"{HERE}/pipewire",
                          PIPEWIRE_RUNTIME_DIR=runtime,
                          DBUS_SYSTEM_BUS_ADDRESS=f"unix:path={self.folder}/no-bus")
            self.spawn(["pipewire", "-c", "pipewire.conf"], "audio.log", env=pw_env)
            self.check(wait_until(lambda: os.path.exists(f"{runtime}/pipewire-0"), 10),
                       "private PipeWire server", "audio.log")
            self.spawn(["wireplumber"], "audio-wireplumber.log", env=pw_env)
            os.makedirs(f"{runtime}/pulse", mode=0o700)
            server = self.spawn(["pipewire", "-c", "pipewire-pulse.conf"], "audio-pulse.log", env=pw_env)
        # The process that serves the clients: stopping it stalls them.
        env["TARNWICK_PULSE_PID"] = str(server.pid)
        logs = [name for name in os.listdir(self.folder) if name.startswith("audio")]
        self.check(wait_until(lambda: "Default Sink: test\n" in self.output("pactl", "info"), 10),
                   f"private {kind} server", *logs)
        # An idle null sink's monitor records nothing: silence keeps recordings on the wall clock.
        self.spawn(["pacat", "--latency-msec=10", "--raw", "/dev/zero"], None)
        env["TARNWICK_TEST_PULSE"] = "1"

    def open_wine(self):
        """A private prefix without Mono, Gecko or menus, and a server kept between programs: a window
        appears in under a second. The 64-bit loader itself: the `wine` wrapper complains first that
        the 32-bit half, which a 64-bit program never needs, is missing."""
        loader, self.wineserver = "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver"
        # C.UTF-8 leaves Wine's ANSI code page: only wide calls reach every folder.
        self.env.update(WINEPREFIX=f"{self.folder}/wine", WINEDEBUG="-all", LC_ALL="C.UTF-8",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d", WINELOADER=loader,
                        WINESERVER=self.wineserver, TARNWICK_WINE=loader)
        self.spawn([self.wineserver, "-p"], "wineserver.log").wait()
        self.check(self.spawn([loader, "wineboot", "-i"], "wineboot.log").wait(timeout=120) == 0,
                   "Wine prefix", "wineboot.log")


def run(*args):
    opts = OPTIONS.parse_args(args)
    return Session(dict(os.environ)).run(command(opts.command), opts)


def start(handle, *options):
    """A detached `run` whose command, `hold`, links handle to the session
    and lives until `stop` or the end of our caller (CTest)."""
    if os.path.lexists(handle):
        stop(handle)
    # Holding none of the caller's output, which CTest reads to its end.
    supervisor = subprocess.Popen(
        [sys.executable, SELF, "run", *options, "--", sys.executable, SELF, "hold", handle,
         str(os.getppid())],
        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
        start_new_session=True)
    if supervisor.stdout.readline() == "ok\n":
        return 0
    print(supervisor.stdout.read().rstrip() or "session.py: the session ended", file=sys.stderr)
    return 1


def hold(handle, owner):
    folder = os.environ["TARNWICK_SESSION_DIR"]
    os.makedirs(os.path.dirname(os.path.abspath(handle)), exist_ok=True)
    os.symlink(folder, handle)
    print("ok", flush=True)
    wait_for_end(int(owner))
    if os.path.islink(handle) and os.readlink(handle) == folder:
        os.unlink(handle)


def session_folder(handle):
    """The session folder handle links to, or None: never any other folder."""
    target = os.readlink(handle) if os.path.islink(handle) else ""
    return target if os.path.basename(target).startswith("tarnwick-session.") else None


def execute(handle, *args):
    try:
        with open(f"{session_folder(handle)}/env.json") as saved:
            session = json.load(saved)
    except OSError:
        sys.exit(f"session.py: no session at {handle} (did its start run?)")
    env = {k: v for k, v in os.environ.items() if k not in session["unset"]}
    args = command(args)
    os.execvpe(args[0], args, dict(env, **session["set"]))


def stop(handle):
    folder = session_folder(handle)
    # Its end ends the supervising `run` too, which then finds nothing left.
    ended = not folder or sweep(f"{SESSION_TAG}={folder}", folder)
    if os.path.islink(handle):
        os.unlink(handle)
    return 0 if ended else 1


def watch(pid, entry, folder):
    wait_for_end(int(pid))
    return 0 if sweep(entry, folder) else 1


def gate(*args):
    """A session with an allow-listed environment and no servers."""
    caller = os.environ
    cache = caller.get("TARNWICK_CACHE_HOME") or os.path.join(
        caller.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "tarnwick")
    envelope = Session(dict({k: caller[k] for k in GATE_ALLOWED if k in caller},
                            PATH=caller.get("PATH", os.defpath), LANG="C.UTF-8", TARNWICK_CACHE_HOME=cache,
                            QT_QPA_PLATFORM="offscreen", TARNWICK_GATE_ENV="allow-listed"), "gate", GATE_TAG)
    print(f"session.py gate: this run's folder and tag: {envelope.folder}", flush=True)
    return envelope.run(command(args))


def command(args):
    return list(args)[list(args[:1]) == ["--"]:] or sys.exit("session.py: a command is needed")


def main(argv):
    actions = {"run": run, "start": start, "exec": execute, "stop": stop, "gate": gate, "watch": watch,
               "hold": hold}
    action = actions.get(argv[0] if argv else "")
    try:
        inspect.signature(action).bind(*argv[1:])
    except TypeError:
        sys.exit(__doc__)
    return action(*argv[1:])


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
