#!/usr/bin/env python3
"""plovex-bench interrupted, as a user or a CI runner does it: it must end every program it
started, give the X server back its processors, remove its temporary folder, leave no result
file and end with status 130.

  ctrl-c    Ctrl-C typed on its terminal during Plovex's run on a private Xvfb (--xvfb); the
            progress line must have shown on that terminal first.
  sigterm   SIGTERM while the limit program runs with the display's own X server moved to
            its processor (--handover), on an Xvfb this test starts.

Environment: PLOVEX_BENCH (the binary, built next to plovex and plovex-limit)."""
import os, pty, select, signal, subprocess, sys, tempfile, time

BENCH = os.environ["PLOVEX_BENCH"]


def wait_for(condition, what, limit=60):
    by = time.monotonic() + limit
    while not condition():
        if time.monotonic() > by:
            sys.exit(f"FAIL: no {what} within {limit} s")
        time.sleep(0.05)


def descendants(pid):
    """Every process below pid, as pid -> name."""
    parents = {}
    for entry in os.listdir("/proc"):
        try:
            with open(f"/proc/{entry}/stat") as f:
                stat = f.read()
            parents[int(entry)] = (int(stat[stat.rindex(")") + 2:].split()[1]),
                                   stat[stat.index("(") + 1:stat.rindex(")")])
        except (ValueError, OSError):
            pass
    found, todo = {}, [pid]
    while todo:
        parent = todo.pop()
        for child, (ppid, name) in parents.items():
            if ppid == parent and child not in found:
                found[child] = name
                todo.append(child)
    return found


def processors(pid):
    tasks = f"/proc/{pid}/task"
    return {t: open(f"{tasks}/{t}/status").read().split("Cpus_allowed_list:")[1].split()[0]
            for t in os.listdir(tasks)}


def sockets(pid):
    """The paths of the Unix sockets a process listens on."""
    inodes = set()
    for fd in os.listdir(f"/proc/{pid}/fd"):
        link = os.readlink(f"/proc/{pid}/fd/{fd}")
        if link.startswith("socket:["):
            inodes.add(link[8:-1])
    with open("/proc/net/unix") as f:
        return [line.split()[7] for line in f.readlines()[1:]
                if len(line.split()) > 7 and line.split()[6] in inodes]


def alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().split(")")[1].split()[0] != "Z"
    except OSError:
        return False


failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def interrupted(start, interrupt, started, folder):
    """Runs plovex-bench with start(), interrupts it once started() holds, and checks what it
    leaves. Returns its status."""
    bench, output = start()
    wait_for(lambda: started(bench, output), "run to interrupt")
    children = descendants(bench)
    interrupted.sockets = [path for child, name in children.items() if name == "Xvfb"
                           for path in sockets(child) if not path.startswith("@")]
    interrupt(bench)
    status = bench_status(bench, 30)
    check(status == 130, f"plovex-bench ended with status {status}, not 130")
    for child, name in children.items():
        check(not alive(child), f"{name} ({child}) still runs")
    check(os.listdir(folder) == [], f"left in its folder: {os.listdir(folder)}")
    return children


def bench_status(pid, limit):
    by = time.monotonic() + limit
    while time.monotonic() < by:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            return os.waitstatus_to_exitcode(status)
        time.sleep(0.05)
    os.kill(pid, signal.SIGKILL)
    return "none: it did not end within %d s" % limit


def ctrl_c(folder, runtime):
    """Under a terminal of its own, so that Ctrl-C reaches it as the terminal sends it."""
    seen = bytearray()

    def start():
        pid, terminal = pty.fork()
        if pid == 0:
            os.environ["TMPDIR"] = folder
            os.execv(BENCH, [BENCH, "--xvfb", "--runs", "2", "--json",
                             os.path.join(folder, "r.json")])
        start.terminal = terminal
        return pid, seen

    def started(bench, output):
        while select.select([start.terminal], [], [], 0)[0]:
            try:
                output += os.read(start.terminal, 4096)
            except OSError:
                break
        return b"run 1 of 2: Plovex" in output and "plovex" in descendants(bench).values()

    interrupted(start, lambda pid: os.write(start.terminal, b"\x03"), started, folder)
    check(b"\r\x1b[K" in seen, "no progress line on the terminal")
    # A server ended politely takes its socket away; one killed leaves it.
    check(interrupted.sockets != [], "no socket of the private Xvfb found")
    for path in interrupted.sockets:
        check(not os.path.exists(path), f"the private Xvfb left {path}")


def sigterm(folder, runtime):
    server = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24",
                               "-nolisten", "tcp", "-ac", "+extension", "SHAPE"],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        display = ":" + server.stdout.readline().decode().strip()
        before = processors(server.pid)
        pinned = lambda: set(processors(server.pid).values()) != set(before.values())

        def start():
            env = dict(os.environ, DISPLAY=display, TMPDIR=folder, XDG_RUNTIME_DIR=runtime)
            bench = subprocess.Popen([BENCH, "--handover", "--runs", "1", "--limit-runs", "1",
                                      "--json", os.path.join(folder, "r.json")], env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            return bench.pid, None

        interrupted(start, lambda pid: os.kill(pid, signal.SIGTERM),
                    lambda bench, _: pinned(), folder)
        check(processors(server.pid) == before, "the X server's processors were not given back: "
              f"{processors(server.pid)} instead of {before}")
    finally:
        server.terminate()
        server.wait()


if len(os.sched_getaffinity(0)) < 2 and sys.argv[1] == "sigterm":
    print("SKIP: one processor, nothing to move the X server to")
    sys.exit(0)
with tempfile.TemporaryDirectory(prefix="plovex-bench-interrupt.") as base:
    folder, runtime = os.path.join(base, "tmp"), os.path.join(base, "run")
    os.mkdir(folder)
    os.mkdir(runtime, 0o700)
    {"ctrl-c": ctrl_c, "sigterm": sigterm}[sys.argv[1]](folder, runtime)
sys.exit(1 if failures else 0)
