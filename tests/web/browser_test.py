#!/usr/bin/env python3
"""The web build played in headless Chromium: the disclaimer and the menu read from the canvas,
the telephone reached by keys, a digit dialled with its pulses seen, a saved table found after a
reload, and the end prompt followed by the page's own message.

usage: browser_test.py BUILD_WEB_DIR CANVAS_CELLS_HELPER
"""
import os
import socket
import subprocess
import sys
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cdp import Browser, BrowserError  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SAVED_TABLE = "/save/brunolt/tempo.max"

KEYS = {
    "space": (" ", "Space", 32, " "),
    "enter": ("Enter", "Enter", 13, "\r"),
    "right": ("ArrowRight", "ArrowRight", 39, None),
    "esc": ("Escape", "Escape", 27, None),
}


class Check:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def __call__(self, ok, what):
        print(("ok     " if ok else "FAILED ") + what, flush=True)
        if ok:
            self.passed += 1
        else:
            self.failed += 1
        return ok


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def screen_text(browser, helper):
    """The canvas's text rows, recognised by the native helper."""
    width, height, rgba = browser.canvas()
    rgb = bytearray(width * height * 3)
    rgb[0::3] = rgba[0::4]
    rgb[1::3] = rgba[1::4]
    rgb[2::3] = rgba[2::4]
    ppm = b"P6\n%d %d\n255\n" % (width, height) + bytes(rgb)
    done = subprocess.run([helper], input=ppm, capture_output=True, timeout=30)
    return done.stdout.decode("utf-8", "replace")


def until(browser, helper, text, timeout_s):
    deadline = time.monotonic() + timeout_s
    shown = ""
    while time.monotonic() < deadline:
        try:
            shown = screen_text(browser, helper)
        except BrowserError:  # the page is still loading
            shown = ""
        if text in shown:
            return shown
        time.sleep(0.2)
    raise BrowserError(f"the screen never showed {text!r}; it shows:\n{shown}")


def press(browser, name, times=1):
    key, code, key_code, text = KEYS[name]
    for _ in range(times):
        browser.key(key, code, key_code, text)
        time.sleep(0.15)


def canvas_has_drawn(browser):
    return browser.evaluate(
        "(() => { const c = document.getElementById('canvas');"
        " if (!c.width) return false;"
        " const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
        " for (let i = 0; i < d.length; i += 4) if (d[i] || d[i + 1] || d[i + 2]) return true;"
        " return false; })()")


def browser_cpu_seconds(browser):
    """CPU time used so far by the browser and all its processes."""
    total = 0.0
    ticks = os.sysconf("SC_CLK_TCK")
    pending = [browser.process.pid]
    while pending:
        pid = pending.pop()
        try:
            with open(f"/proc/{pid}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            total += (int(fields[11]) + int(fields[12])) / ticks
            with open(f"/proc/{pid}/task/{pid}/children") as children:
                pending += [int(c) for c in children.read().split()]
        except OSError:
            pass
    return total


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    build_web, helper = sys.argv[1], os.path.abspath(sys.argv[2])
    check = Check()
    port = free_port()
    server = subprocess.Popen([sys.executable, os.path.join(HERE, "..", "..", "web", "serve.py"),
                               build_web, str(port)])
    browser = None
    try:
        browser = Browser()
        url = f"http://127.0.0.1:{port}/"
        started = time.monotonic()
        browser.open(url)
        browser.wait_for("window.crossOriginIsolated === true", 30, "a cross-origin isolated page")
        check(True, "the page is cross-origin isolated (threads can share memory)")
        deadline = time.monotonic() + 60
        while not canvas_has_drawn(browser):
            if time.monotonic() > deadline:
                raise BrowserError("the canvas stayed black")
            time.sleep(0.05)
        print(f"figure: first frame {time.monotonic() - started:.2f} s after the page was opened")

        shown = until(browser, helper, "Premi un Tasto...", 30)
        check("Premi un Tasto..." in shown, "the disclaimer is read from the canvas")
        audio = "SDL.audioContext && SDL.audioContext.state"
        check(browser.evaluate(audio) == "suspended", "audio stays off before the first key")
        press(browser, "space")
        browser.wait_for(f"({audio}) === 'running'", 10, "the audio after the first key")
        check(True, "audio starts with the first key")
        shown = until(browser, helper, "M  E  N  U", 30)
        check("M  E  N  U" in shown, "the menu is read from the canvas")

        time.sleep(1.0)
        before = browser_cpu_seconds(browser)
        time.sleep(10.0)
        print(f"figure: browser CPU at the menu {(browser_cpu_seconds(browser) - before) / 10 * 100:.1f} %"
              " of one core")

        press(browser, "right", 2)
        press(browser, "enter")
        until(browser, helper, "Numeri occupati:", 60)
        check(True, "the telephone is reached by keys")
        press(browser, "right", 5)
        press(browser, "enter")
        # The pulses of a 5: the dial's marker moves, so the canvas changes from frame to frame.
        frames = set()
        pulse_end = time.monotonic() + 2.0
        while time.monotonic() < pulse_end:
            frames.add(zlib.crc32(browser.canvas()[2]))
            time.sleep(0.05)
        shown = until(browser, helper, "Numero di telefono:5", 30)
        check("Numero di telefono:5" in shown, "a dialled 5 shows on the number display")
        check(len(frames) >= 3, f"the dial pulses ({len(frames)} different frames while dialling)")

        # A table saved through the page's storage is found again after a reload.
        table = "".join(f'"BROWSER{i}","{1000 + i}"\r\n' for i in range(1, 11))
        browser.evaluate(
            "new Promise((done, fail) => { const fs = Module.FS;"
            " try { fs.mkdir('/save/brunolt'); } catch (e) {}"
            f" fs.writeFile('{SAVED_TABLE}', {table!r});"
            " fs.syncfs(false, e => e ? fail(e) : done(true)); })")
        browser.reload()
        browser.wait_for(f"typeof Module !== 'undefined' && Module.FS && Module.calledRun", 60,
                         "the reloaded program")
        kept = browser.evaluate(
            f"(() => {{ try {{ return Module.FS.readFile('{SAVED_TABLE}', {{encoding: 'utf8'}}); }}"
            " catch (e) { return null; } })()")
        check(kept == table, "a saved high-score table survives a reload")

        until(browser, helper, "Premi un Tasto...", 30)
        press(browser, "space")
        until(browser, helper, "M  E  N  U", 30)
        press(browser, "right", 2)
        press(browser, "enter")
        until(browser, helper, "Numeri occupati:", 60)
        press(browser, "esc")
        shown = until(browser, helper, "Press any key to continue", 30)
        check(True, "Esc on the telephone ends with the end prompt")
        browser.screenshot(os.path.join(build_web, "end-prompt.png"))
        press(browser, "space")
        browser.wait_for("window.brunoltEnded !== undefined", 30, "the page's end message")
        ended = browser.evaluate("document.getElementById('status').textContent")
        check("terminato" in ended, "the page says that the program has ended")
    except BrowserError as error:
        check(False, str(error))
    finally:
        if browser is not None:
            browser.close()
        server.terminate()
        server.wait()
    print(f"{check.passed} passed, {check.failed} failed")
    return 0 if check.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
