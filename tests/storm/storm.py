#!/usr/bin/env python3
"""Input storm: random real input to the program on an X server of its own.

Usage: storm.py [--seed N] [--seconds S]    (run under scripts/with-xvfb.sh)

For S seconds (default 60) it sends random input with xdotool: presses, releases and
moves of all three buttons inside and outside the window's ellipse and anywhere on the
screen, drags, double clicks, rapid re-measures, the context menu opened and dismissed,
and the score table opened, moved, closed with its close box and with its O K button.
The first third runs on a bare X server, the rest under openbox (the score table's title
bar and close box need a window manager). The program is plovex-harness, the program
with a checker that counts frames drawn without a repaint between them.

Afterwards the program must still answer (its menu opens), a click on quit must end it
with status 0, its standard error must be empty (Qt's warnings all go there, and the
program writes nothing there of its own), and the checker must have seen frames, all
repainted. The seed is printed; passing it again replays the same choices (the timing
of the program's answers may still differ).

Environment: PLOVEX_HARNESS, PLOVEX_INSPECT (binaries), STORM_ARTIFACTS (the program's
output, screenshots and the action log, kept when the storm fails or STORM_KEEP=1).
"""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import time

DEFAULT_SEED = 20061208
# The screen, the window, the buttons' frame panels (window coordinates) and the score
# table's O K button come from the program's layout (plovex-inspect layout), in main().
SCREEN_W = SCREEN_H = WIN_W = WIN_H = PANEL_W = PANEL_H = 0
SAI = SHU = TABLE_OK = (0, 0)
QUIT_MARGIN = 4  # no left release this close to the quit button during the storm
# The main window and the about box both carry the application's title; the about box is
# a dialog.
MAIN_TITLE = "Plovex"
TABLE_TITLE = "成績表"
ABOUT_TITLE = "Plovex"
WM_AFTER = 1 / 3  # share of the storm before the window manager starts
WM_HOLD = "0.2"  # seconds a left press is held under the window manager (see hold_left)
SUMMARY = re.compile(r"frames (\d+), repaints (\d+), .* without a repaint between: (\d+)")
HERE = os.path.dirname(os.path.abspath(__file__))


class StormFailure(Exception):
    pass


class Storm:
    def __init__(self, seed, seconds, harness, inspect, artifacts):
        self.rng = random.Random(seed)
        self.seed = seed
        self.seconds = seconds
        self.harness = harness
        self.inspect = inspect
        self.artifacts = artifacts
        self.events = 0
        self.actions = {}
        self.proc = None
        self.wm = None
        self.log = open(os.path.join(artifacts, "actions.log"), "w", encoding="utf-8")
        self.t0 = time.monotonic()

    # ---- outside tools -----------------------------------------------------------------

    def note(self, text):
        self.log.write(f"[{(time.monotonic() - self.t0) * 1000:8.0f} ms] {text}\n")

    def hold_left(self, args):
        """Under the window manager, each left press is held WM_HOLD s before the next
        event: a press on the body asks the window manager to take over the drag, and
        openbox, handed that request after the button is already up again (XTest chains
        are that fast), moves the window with the pointer until the next click."""
        out, i = [], 0
        while i < len(args):
            if args[i] == "mousedown" and args[i + 1] == "1":
                out += ["mousedown", "1", "sleep", WM_HOLD]
                i += 2
            elif args[i] == "click" and args[-1] == "1":
                repeat = int(args[i + 2]) if args[i + 1] == "--repeat" else 1
                for _ in range(repeat):
                    out += ["mousedown", "1", "sleep", WM_HOLD, "mouseup", "1"]
                i = len(args)
            else:
                out.append(args[i])
                i += 1
        return out

    def xdo(self, *args):
        """One xdotool process running a chain of commands; counts the input events."""
        args = [str(a) for a in args]
        if self.wm:
            args = self.hold_left(args)
        i = 0
        while i < len(args):
            if args[i] in ("mousemove", "mousedown", "mouseup"):
                self.events += 1
            elif args[i] == "click":
                repeat = int(args[i + 2]) if args[i + 1] == "--repeat" else 1
                self.events += 2 * repeat
            elif args[i] == "key":
                self.events += 2
            i += 1
        self.note("xdotool " + " ".join(args))
        subprocess.run(["xdotool", *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def windows(self):
        """The program's viewable windows: main, menu, table, about (None when absent)."""
        out = subprocess.run([self.inspect, "list"], capture_output=True, text=True).stdout
        found = {"main": None, "menu": None, "table": None, "about": None}
        for line in out.splitlines():
            head, _, title = line.partition(' "')
            title = title[:-1] if title.endswith('"') else title
            parts = head.split()
            if len(parts) < 9 or parts[5] != "viewable" or not parts[8].endswith("/Plovex"):
                continue
            wid, x, y, w, h = parts[0], *map(int, parts[1:5])
            geometry = (wid, x, y, w, h)
            dialog = "DIALOG" in parts[7].split(",")
            if parts[6] == "override":
                found["menu"] = geometry
            elif title == MAIN_TITLE and not dialog:
                found["main"] = geometry
            elif title == TABLE_TITLE:
                found["table"] = geometry
            elif title == ABOUT_TITLE and dialog:
                found["about"] = geometry
        return found

    def count(self, action):
        self.actions[action] = self.actions.get(action, 0) + 1

    def alive(self):
        return self.proc.poll() is None

    def harness_lines(self):
        with open(os.path.join(self.artifacts, "harness.out"), encoding="utf-8") as f:
            return f.read().splitlines()

    # ---- points ------------------------------------------------------------------------

    @staticmethod
    def in_ellipse(x, y):
        return ((x + 0.5 - 256) / 256) ** 2 + ((y + 0.5 - 146.5) / 146.5) ** 2 < 1

    @staticmethod
    def near_quit(wx, wy, x, y):
        return (
            wx + SHU[0] - QUIT_MARGIN <= x < wx + SHU[0] + PANEL_W + QUIT_MARGIN
            and wy + SHU[1] - QUIT_MARGIN <= y < wy + SHU[1] + PANEL_H + QUIT_MARGIN
        )

    def point(self, main):
        """A screen point: inside the ellipse, in the window's corners outside it, on a
        button, or anywhere on the screen."""
        _, wx, wy, _, _ = main
        kind = self.rng.choices(["inside", "corner", "button", "screen"], [45, 15, 20, 20])[0]
        if kind == "screen":
            return self.rng.randrange(SCREEN_W), self.rng.randrange(SCREEN_H)
        if kind == "button":
            fx, fy = self.rng.choice([SAI, SHU])
            return wx + fx + self.rng.randrange(PANEL_W), wy + fy + self.rng.randrange(PANEL_H)
        while True:
            x, y = self.rng.randrange(WIN_W), self.rng.randrange(WIN_H)
            if self.in_ellipse(x, y) == (kind == "inside"):
                return wx + x, wy + y

    def safe_point(self, main):
        """A point where a left release cannot click quit."""
        while True:
            x, y = self.point(main)
            if not self.near_quit(main[1], main[2], x, y):
                return x, y

    def pause(self, longest=0.03):
        time.sleep(self.rng.uniform(0, longest))

    # ---- actions -----------------------------------------------------------------------

    def act_move(self, state):
        self.xdo("mousemove", *self.point(state["main"]))

    def act_press_release(self, state):
        button = self.rng.choice([1, 2, 3])
        x, y = self.point(state["main"]) if button != 1 else self.safe_point(state["main"])
        self.xdo("mousemove", x, y, "mousedown", button)
        self.pause(0.15)
        if self.rng.random() < 0.5:
            x, y = self.point(state["main"]) if button != 1 else self.safe_point(state["main"])
            self.xdo("mousemove", x, y)
            self.pause(0.1)
        self.xdo("mouseup", button)

    def act_drag(self, state):
        _, wx, wy, _, _ = state["main"]
        button = self.rng.choices([1, 2, 3], [70, 15, 15])[0]
        x, y = self.safe_point(state["main"])
        # Keep the window on the screen if the drag moves it.
        dx = self.rng.randint(-wx, SCREEN_W - WIN_W - wx)
        dy = self.rng.randint(-wy, SCREEN_H - WIN_H - wy)
        dx, dy = dx // self.rng.choice([1, 2, 4]), dy // self.rng.choice([1, 2, 4])
        dx = max(-x, min(dx, SCREEN_W - 1 - x))
        dy = max(-y, min(dy, SCREEN_H - 1 - y))
        steps = self.rng.randint(2, 8)
        self.xdo("mousemove", x, y, "mousedown", button)
        for i in range(1, steps + 1):
            self.pause(0.03)
            self.xdo("mousemove", x + dx * i // steps, y + dy * i // steps)
        self.pause(0.1)
        self.xdo("mouseup", button)

    def act_burst(self, state):
        """A quick chain of moves, presses and releases, as fast as xdotool sends them. The
        left button is clicked in place: a left drag inside the chain could move the window
        and put the quit button under a later click."""
        chain, down = [], set()
        for _ in range(self.rng.randint(8, 40)):
            button = self.rng.choice([1, 2, 3])
            chain += ["mousemove", *self.safe_point(state["main"])]
            if button == 1:
                chain += ["mousedown", 1, "mouseup", 1]
            elif button in down:
                chain += ["mouseup", button]
                down.discard(button)
            elif self.rng.random() < 0.5:
                chain += ["mousedown", button]
                down.add(button)
        for button in sorted(down):
            chain += ["mouseup", button]
        self.xdo(*chain)

    def act_double_click(self, state):
        button = self.rng.choice([1, 1, 2, 3])
        x, y = self.point(state["main"]) if button != 1 else self.safe_point(state["main"])
        self.xdo("mousemove", x, y, "click", "--repeat", 2, "--delay", self.rng.randint(20, 120),
                 button)

    def act_remeasure(self, state):
        _, wx, wy, _, _ = state["main"]
        x, y = wx + SAI[0] + 50, wy + SAI[1] + 13
        self.xdo("mousemove", x, y)
        for _ in range(self.rng.randint(1, 4)):
            self.xdo("click", 1)
            self.pause(0.08)

    def act_menu(self, state):
        _, wx, wy, _, _ = state["main"]
        fx, fy = self.rng.choice([SAI, SHU])
        x, y = wx + fx + self.rng.randrange(2, 98), wy + fy + self.rng.randrange(2, 25)
        self.xdo("mousemove", x, y, "mousedown", 3)
        self.pause(0.1)
        self.xdo("mouseup", 3)
        time.sleep(0.15)
        menu = self.windows()["menu"]
        if not menu:
            return  # the buttons are hidden while a run is measured
        _, mx, my, mw, mh = menu
        how = self.rng.choices(["escape", "elsewhere", "table", "about"], [35, 35, 25, 5])[0]
        self.note(f"menu open at {mx},{my}: {how}")
        if how == "escape":
            self.xdo("key", "Escape")
        elif how == "elsewhere":
            while True:
                x, y = self.safe_point(state["main"])
                if not (mx <= x < mx + mw and my <= y < my + mh):
                    break
            self.xdo("mousemove", x, y, "click", self.rng.choice([1, 3]))
        elif how == "table":
            self.xdo("mousemove", mx + 40, my + mh - 10, "click", 1)
        else:
            self.xdo("mousemove", mx + 40, my + 10, "click", 1)

    def act_table(self, state):
        table = state["table"]
        if not table:
            return self.act_menu(state)
        _, tx, ty, tw, th = table
        how = self.rng.choice(["ok", "close box", "move", "move"] if self.wm else ["ok"])
        self.note(f"score table at {tx},{ty}: {how}")
        if how == "ok":
            self.xdo("mousemove", tx + TABLE_OK[0], ty + TABLE_OK[1], "click", 1)
        elif how == "close box":
            self.xdo("mousemove", tx + tw - 10, ty - 10, "click", 1)
        else:
            x, y = tx + self.rng.randrange(10, tw - 40), ty - 10
            nx = self.rng.randrange(10, SCREEN_W - tw)
            ny = self.rng.randrange(30, SCREEN_H - th)
            self.xdo("mousemove", x, y, "mousedown", 1)
            for i in range(1, 5):
                self.pause(0.03)
                self.xdo("mousemove", x + (nx - tx) * i // 4, y + (ny - ty) * i // 4)
            self.xdo("mouseup", 1)

    def bring_back(self, state):
        """Drags the main window back onto the screen by a visible part of its body (the
        point a drag holds never leaves the screen, so there always is one)."""
        _, wx, wy, _, _ = state["main"]
        tx = max(0, min(wx, SCREEN_W - WIN_W))
        ty = max(0, min(wy, SCREEN_H - WIN_H))
        if (tx, ty) == (wx, wy):
            return False
        table = state["table"]
        for _ in range(2000):
            x, y = self.rng.randrange(WIN_W), self.rng.randrange(WIN_H)
            sx, sy = wx + x, wy + y
            on_buttons = SAI[0] <= x < SAI[0] + PANEL_W and SAI[1] <= y < SHU[1] + PANEL_H
            under_table = table and (table[1] - 2 <= sx < table[1] + table[3] + 2
                                     and table[2] - 22 <= sy < table[2] + table[4] + 2)
            on_screen = 0 <= sx < SCREEN_W and 0 <= sy < SCREEN_H
            if self.in_ellipse(x, y) and not on_buttons and not under_table and on_screen:
                break
        else:
            raise StormFailure(f"the main window at {wx},{wy} shows no part of its body")
        self.note(f"window at {wx},{wy}: dragging it back to {tx},{ty}")
        self.xdo("mousemove", sx, sy, "mousedown", 1)
        for i in range(1, 5):
            self.pause(0.03)
            self.xdo("mousemove", sx + (tx - wx) * i // 4, sy + (ty - wy) * i // 4)
        self.pause(0.1)
        self.xdo("mouseup", 1)
        return True

    def close_about(self, about):
        # Escape when the box has the keyboard, else its button (the lower right).
        _, ax, ay, aw, ah = about
        self.xdo("key", "Escape")
        time.sleep(0.2)
        if self.windows()["about"]:
            self.xdo("mousemove", ax + aw - 50, ay + ah - 22, "click", 1)
            time.sleep(0.2)

    ACTIONS = [
        ("move", act_move, 20),
        ("press and release", act_press_release, 25),
        ("drag", act_drag, 12),
        ("burst", act_burst, 20),
        ("double click", act_double_click, 8),
        ("re-measure", act_remeasure, 6),
        ("menu", act_menu, 10),
        ("score table", act_table, 8),
    ]

    # ---- the storm ---------------------------------------------------------------------

    def start(self):
        self.out = open(os.path.join(self.artifacts, "harness.out"), "w")
        self.err = open(os.path.join(self.artifacts, "harness.err"), "w")
        self.proc = subprocess.Popen([self.harness], stdout=self.out, stderr=self.err,
                                     stdin=subprocess.DEVNULL)
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            if self.windows()["main"]:
                return
            if not self.alive():
                raise StormFailure("the program ended during start-up")
            time.sleep(0.1)
        raise StormFailure("the main window did not appear")

    def start_wm(self):
        config = os.path.join(HERE, "openbox-rc.xml")
        self.wm_log = open(os.path.join(self.artifacts, "openbox.log"), "w")
        self.wm = subprocess.Popen(["openbox", "--config-file", config, "--sm-disable"],
                                   stdout=self.wm_log, stderr=subprocess.STDOUT)
        # A window manager that has taken over names its check window on the root.
        deadline = time.monotonic() + 10
        while "window id" not in subprocess.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], capture_output=True,
                text=True).stdout:
            if self.wm.poll() is not None or time.monotonic() > deadline:
                raise StormFailure("openbox did not take over the display")
            time.sleep(0.05)
        self.note("window manager started")

    def storm(self):
        names = [a[0] for a in self.ACTIONS]
        weights = [a[2] for a in self.ACTIONS]
        end = self.t0 + self.seconds
        wm_at = self.t0 + self.seconds * WM_AFTER
        last = None
        while time.monotonic() < end:
            if not self.wm and time.monotonic() >= wm_at:
                self.start_wm()
            state = self.windows()
            if not self.alive():
                raise StormFailure("the program ended during the storm")
            if not state["main"]:
                raise StormFailure("the main window is gone")
            if state["main"][1:3] != last:
                last = state["main"][1:3]
                self.note(f"main window at {last[0]},{last[1]}")
            if state["about"]:
                self.close_about(state["about"])
                self.count("about box closed")
                continue
            if not state["menu"] and self.bring_back(state):
                self.count("window dragged back")
                continue
            i = self.rng.choices(range(len(names)), weights)[0]
            self.count(names[i])
            self.ACTIONS[i][1](self, state)
            if self.rng.random() < 0.3:
                self.pause()

    def settle(self):
        """Releases every button, closes menus and windows, and waits for the run's end."""
        self.xdo("mouseup", 1, "mouseup", 2, "mouseup", 3)
        for _ in range(10):
            state = self.windows()
            if state["about"]:
                self.close_about(state["about"])
            elif state["menu"]:
                self.xdo("key", "Escape")
                time.sleep(0.2)
                if self.windows()["menu"]:
                    self.xdo("mousemove", 5, SCREEN_H - 5, "click", 1)
            elif state["table"]:
                _, tx, ty, _, _ = state["table"]
                self.xdo("mousemove", tx + TABLE_OK[0], ty + TABLE_OK[1], "click", 1)
            else:
                break
            time.sleep(0.3)
        main = self.windows()["main"]
        if not main or subprocess.run([self.inspect, "wait", "12000", "finished", main[0]],
                                      capture_output=True).returncode != 0:
            raise StormFailure("the last run did not finish within 12 s of the storm")
        time.sleep(0.3)

    def check_answers(self, main):
        """The program still answers real input: a right click on re-measure opens the
        menu, Escape closes it."""
        _, wx, wy, _, _ = main
        began = time.monotonic()
        self.xdo("mousemove", wx + SAI[0] + 30, wy + SAI[1] + 12, "click", 3)
        while not self.windows()["menu"]:
            if time.monotonic() - began > 3:
                raise StormFailure("the program does not answer: no menu 3 s after a right click")
            time.sleep(0.05)
        print(f"storm: the menu opened {(time.monotonic() - began) * 1000:.0f} ms after a right click")
        self.xdo("key", "Escape")
        time.sleep(0.3)
        if self.windows()["menu"]:
            self.xdo("mousemove", 5, SCREEN_H - 5, "click", 1)
            time.sleep(0.3)

    def quit(self):
        state = self.windows()
        _, wx, wy, _, _ = state["main"]
        self.xdo("mousemove", wx + SHU[0] + 50, wy + SHU[1] + 13, "click", 1)
        try:
            status = self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            raise StormFailure("a click on quit did not end the program within 10 s")
        if status != 0:
            raise StormFailure(f"quit ended the program with status {status}")
        print("storm: a click on quit ended the program with status 0")

    def check_output(self):
        self.err.close()
        self.out.close()
        with open(os.path.join(self.artifacts, "harness.err"), encoding="utf-8",
                  errors="replace") as f:
            err = f.read()
        if err:
            raise StormFailure("the program wrote to standard error:\n" + err[:4000])
        summary = None
        for line in self.harness_lines():
            summary = SUMMARY.search(line) or summary
        if not summary:
            raise StormFailure("the harness printed no summary")
        print("storm: " + summary.group(0))
        frames, repaints, unpainted = map(int, summary.groups())
        if unpainted:
            raise StormFailure(f"{unpainted} times two frames were drawn without a repaint")
        if frames < 1000 or repaints < frames:
            raise StormFailure(f"too few frames or repaints observed ({frames}, {repaints})")

    def screenshot(self, name):
        subprocess.run(["import", "-window", "root", os.path.join(self.artifacts, name + ".png")],
                       stderr=subprocess.DEVNULL)

    def run(self):
        print(f"storm: seed {self.seed} (replay: {os.path.basename(__file__)} --seed {self.seed}),"
              f" {self.seconds} s", flush=True)
        try:
            self.start()
            self.storm()
            print(f"storm: {self.events} input events in {sum(self.actions.values())} actions: "
                  + ", ".join(f"{k} {v}" for k, v in sorted(self.actions.items())), flush=True)
            if not self.alive():
                raise StormFailure("the program ended during the storm")
            self.settle()
            self.screenshot("after-storm")
            self.check_answers(self.windows()["main"])
            self.quit()
            self.check_output()
        except StormFailure as failure:
            self.screenshot("at-failure")
            print(f"storm: FAIL (seed {self.seed}): {failure}")
            print(f"storm: the program's output and the action log are in {self.artifacts}")
            return 1
        finally:
            if self.proc and self.alive():
                self.proc.kill()
                self.proc.wait()
            if self.wm:
                self.wm.terminate()
                self.wm.wait()
            self.log.close()
        print("storm: passed")
        return 0


def load_layout(inspect):
    """Sets the geometry above from plovex-inspect layout's NAME=(values) lines."""
    global SCREEN_W, SCREEN_H, WIN_W, WIN_H, SAI, SHU, PANEL_W, PANEL_H, TABLE_OK
    out = subprocess.run([inspect, "layout"], capture_output=True, text=True, check=True).stdout
    layout = {}
    for line in out.splitlines():
        name, _, values = line.partition("=")
        layout[name] = values.strip("()").split()

    def number(name):
        return tuple(int(v) for v in layout[name])

    SCREEN_W, SCREEN_H = number("SCREEN")
    WIN_W, WIN_H = number("WINDOW")
    SAI, SHU = number("SAI"), number("SHU")
    PANEL_W, PANEL_H = number("FRAME")
    ok_left, ok_top, ok_width, ok_height = number("TABLE_OK")
    TABLE_OK = (ok_left + ok_width // 2, ok_top + ok_height // 2)  # its centre


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seed", type=int, default=DEFAULT_SEED)
    parser.add_argument("--seconds", type=float, default=60)
    args = parser.parse_args()
    harness = os.environ.get("PLOVEX_HARNESS")
    inspect = os.environ.get("PLOVEX_INSPECT")
    artifacts = os.environ.get("STORM_ARTIFACTS", "storm-artifacts")
    if not harness or not inspect:
        sys.exit("PLOVEX_HARNESS and PLOVEX_INSPECT must name the binaries")
    shutil.rmtree(artifacts, ignore_errors=True)
    os.makedirs(artifacts)
    load_layout(inspect)
    status = Storm(args.seed, args.seconds, harness, inspect, artifacts).run()
    if status == 0 and os.environ.get("STORM_KEEP") != "1":
        shutil.rmtree(artifacts, ignore_errors=True)
    sys.exit(status)


if __name__ == "__main__":
    main()
