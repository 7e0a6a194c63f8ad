#!/usr/bin/env python3
"""However a private session (scripts/session.py) or the gate ends, nothing it started outlives it by
more than 10 s and its folder is gone, detached and stopped processes included, in a checkout whose
path holds a space, a comma and a colon. The private audio server has one null sink and no card, and
never touches the user's own server."""
import json
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(SOURCE / "scripts"))
import session  # noqa: E402

# A session's command: a detached sleeper, a stopped one, a note naming the
# tag's value in "$1" once all is up, and a wait that the case's ending ends.
INSIDE = 'setsid -f sleep 300; sleep 300 & kill -STOP $!; echo "${%s}" >"$1"; exec sleep 300'
IN_SESSION, IN_GATE = INSIDE % session.SESSION_TAG, INSIDE % session.GATE_TAG
# A stand-in setup: untagged, as scripts/test.sh runs apt; notes the gate's folder, later its environment.
SETUP = ("env -u TARNWICK_GATE_TAG sh -c 'echo \"$1\" >\"$0\"; sleep 2; env >\"$0.done\"'"
         ' "$1" "$TARNWICK_GATE_TAG"; exec sleep 300')


class SessionLifetime(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = Path(tempfile.mkdtemp(prefix="tarnwick-lifetime."))
        cls.checkout = cls.scratch / "a b,c:d"
        shutil.copytree(SOURCE / "scripts/pipewire", cls.checkout / "scripts/pipewire")
        shutil.copy(SOURCE / "scripts/session.py", cls.checkout / "scripts")
        shutil.copytree(SOURCE / "cmake", cls.checkout / "cmake")
        (cls.checkout / "tmp").mkdir()
        cls.env = dict(os.environ, TMPDIR=str(cls.checkout / "tmp"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch)

    def session_py(self, *args):
        return [sys.executable, str(self.checkout / "scripts/session.py"), *args]

    def await_ready(self, ready, process=None):
        for _ in range(600):
            if ready.exists() and ready.read_text().strip():
                return ready.read_text().strip()
            self.assertTrue(process is None or process.poll() is None, "ended before it was ready")
            time.sleep(0.1)
        self.fail("never ready")

    def assert_all_ended(self, tag, folder):
        entry = f"{tag}={folder}"
        if not session.wait_until(lambda: not session.tagged(entry) and not os.path.exists(folder), 10):
            left = [Path(f"/proc/{pid}/cmdline").read_bytes().replace(b"\0", b" ")
                    for pid in session.tagged(entry)]
            self.fail(f"10 s after the end: still running {left}, folder there: {os.path.exists(folder)}")

    def test_a_session_or_the_gate_ends_everything_however_it_ends(self):
        run = self.session_py("run", "--pulse", "--bus", "--wm", "openbox", "--", "sh", "-c")
        gate = self.session_py("gate", "--", "sh", "-c")
        # The owner of a shared session (CTest) runs a command in it.
        start, inside = shlex.join(self.session_py("start")), shlex.join(self.session_py("exec"))
        shared = ["sh", "-c", f'{start} "$1.handle" --pulse && exec {inside} "$1.handle" -- '
                  f'sh -c {shlex.quote(IN_SESSION)} sh "$1"']
        env = dict(self.env, DISPLAY=":99", WAYLAND_DISPLAY="wayland-0", FROM_THE_DESKTOP="1")
        for number, (name, command, ending, status) in enumerate((
                ("run, its command exits", [*run, IN_SESSION.replace("exec sleep 300", "exit 3")], None, 3),
                *((f"run, {sig.name}", [*run, IN_SESSION], sig, 128 + sig)
                  for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)),
                ("run, SIGKILL", [*run, IN_SESSION], signal.SIGKILL, -signal.SIGKILL),
                ("start, its owner killed", shared, signal.SIGKILL, -signal.SIGKILL),
                ("start, its supervisor killed", shared, "supervisor", -signal.SIGTERM),
                ("gate, a step, SIGTERM", [*gate, IN_GATE], signal.SIGTERM, 128 + signal.SIGTERM),
                ("gate, a step, SIGKILL", [*gate, IN_GATE], signal.SIGKILL, -signal.SIGKILL),
                ("gate, setup, SIGINT", [*gate, SETUP], signal.SIGINT, 128 + signal.SIGINT))):
            with self.subTest(name):
                ready = self.checkout / f"ready {number}"
                process = subprocess.Popen([*command, "sh", ready], env=env, start_new_session=True)
                self.addCleanup(process.kill)
                folder = self.await_ready(ready, process)
                if ending == "supervisor":
                    os.kill(json.loads((Path(folder) / "env.json").read_text())["pid"], signal.SIGKILL)
                elif ending:
                    process.send_signal(ending)
                self.assertEqual(process.wait(15), status)
                if "setup" in name:
                    done = Path(f"{ready}.done")
                    self.assertTrue(done.exists(), "the gate ended before setup finished")
                    seen = dict(line.split("=", 1) for line in done.read_text().splitlines() if "=" in line)
                    self.assertEqual(seen["DBUS_SESSION_BUS_ADDRESS"], "disabled:")
                    self.assertTrue(seen["HOME"].startswith(folder))
                    self.assertFalse({"DISPLAY", "WAYLAND_DISPLAY", "FROM_THE_DESKTOP"} & seen.keys())
                self.assert_all_ended(session.GATE_TAG if "gate" in name else session.SESSION_TAG, folder)

    def test_ctest_time_outs_end_a_one_shot_session_and_a_fixtures_test(self):
        # CTest kills a test that runs out of time; the fixture's stop runs after.
        project = self.checkout / "lifetime"
        project.mkdir()
        (project / "CMakeLists.txt").write_text(f"""
            cmake_minimum_required(VERSION 3.25)
            project(Lifetime NONE)
            enable_testing()
            include(../cmake/Sessions.cmake)
            tarnwick_session_fixture(shared --pulse --bus --wm openbox)
            add_test(NAME in_fixture COMMAND ${{TARNWICK_IN_shared}} sh -c [[{IN_SESSION}]] sh ready-fixture)
            add_test(NAME one_shot COMMAND ${{Python3_EXECUTABLE}} ../scripts/session.py run
                sh -c [[{IN_SESSION}]] sh ready-run)
            set_tests_properties(in_fixture PROPERTIES FIXTURES_REQUIRED shared)
            set_tests_properties(in_fixture one_shot PROPERTIES TIMEOUT 10
                WORKING_DIRECTORY ${{CMAKE_SOURCE_DIR}})
            """)
        build = project / "build dir"
        subprocess.run(["cmake", "-S", project, "-B", build], env=self.env, check=True, capture_output=True)
        tests = subprocess.run(["ctest", "--test-dir", build, "-j2"], env=self.env, text=True,
                               capture_output=True)
        self.assertEqual(dict(re.findall(r"Test +#\d+: (\S+) \.+ *\**(\w+)", tests.stdout)), dict(
            {"shared.start": "Passed", "shared.stop": "Passed"}, in_fixture="Timeout", one_shot="Timeout"),
            tests.stdout)
        self.assertFalse((build / "sessions/shared").exists())
        for ready in ("ready-fixture", "ready-run"):
            with self.subTest(ready):
                self.assert_all_ended(session.SESSION_TAG, self.await_ready(project / ready))

    def test_the_private_audio_server_is_a_null_sink_and_the_users_is_never_touched(self):
        user_runtime = self.scratch / "user-runtime"
        user_runtime.mkdir(mode=0o700)
        user_env = dict(self.env, XDG_RUNTIME_DIR=str(user_runtime),
                        PULSE_SERVER=f"unix:{user_runtime}/pulse/native")
        users = subprocess.Popen(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                                  "--load=module-native-protocol-unix",
                                  "--load=module-null-sink sink_name=speakers"], env=user_env,
                                 stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (users.kill(), users.wait()))
        self.assertTrue(session.wait_until(lambda: (user_runtime / "pulse/native").exists(), 10))
        events = subprocess.Popen(["pactl", "subscribe"], env=user_env, stdout=subprocess.PIPE, text=True)
        for kind in ("pulseaudio", "pipewire"):
            with self.subTest(kind):
                if not shutil.which(kind):
                    self.skipTest(f"{kind} is not installed")
                handle = self.checkout / f"audio {kind}"
                subprocess.run(self.session_py("start", str(handle), "--no-x", "--pulse"), check=True,
                               env=dict(user_env, TARNWICK_AUDIO_SERVER=kind))
                folder = os.readlink(handle)
                self.check_private_server(kind, self.session_py("exec", str(handle), "--"), user_env)
                subprocess.run(self.session_py("stop", str(handle)), check=True)
                self.assert_all_ended(session.SESSION_TAG, folder)
        self.assertIsNone(users.poll(), "the user's audio server was ended")
        events.terminate()
        self.assertEqual(events.communicate()[0], "", "the user's audio server saw clients or streams")

    def check_private_server(self, kind, inside, env):
        def ask(*command, **kwargs):
            return subprocess.run([*inside, *command], env=dict(env, LC_ALL="C"), capture_output=True,
                                  text=True, **kwargs)
        info = dict(line.split(": ", 1) for line in ask("pactl", "info").stdout.splitlines() if ": " in line)
        self.assertEqual(info["Server String"], ask("printenv", "PULSE_SERVER").stdout.strip())
        self.assertEqual(info["Default Sink"], "test")
        self.assertIn("PipeWire" if kind == "pipewire" else "pulseaudio", info["Server Name"])
        def short(what):
            return [line.split("\t")[1] for line in ask("pactl", "list", "short", what).stdout.splitlines()]
        self.assertEqual((short("sinks"), short("sources"), short("cards")), (["test"], ["test.monitor"], []))
        self.assertFalse([name for name in short("modules") if any(
            word in name for word in ("udev", "detect", "alsa", "bluetooth", "bluez", "jack"))])
        if kind == "pipewire":
            self.assertIn('node.name = "test"', ask("pw-cli", "ls", "Node").stdout)
            self.assertNotIn("device.name", ask("pw-cli", "ls", "Device").stdout)
        # Noise, which the user's server must never hear of.
        ask("timeout", "1", "pacat", "--raw", "/dev/urandom")
        # The process TARNWICK_PULSE_PID names is the one clients talk to.
        pid = int(ask("printenv", "TARNWICK_PULSE_PID").stdout)
        os.kill(pid, signal.SIGSTOP)
        try:
            with self.assertRaises(subprocess.TimeoutExpired):
                ask("pactl", "info", timeout=2)
        finally:
            os.kill(pid, signal.SIGCONT)
        self.assertEqual(ask("pactl", "info", timeout=5).returncode, 0)


if __name__ == "__main__":
    unittest.main()
