"""A headless Chromium driven over its DevTools pipe: pages, keys, scripts and canvas pixels."""
import base64
import json
import os
import shutil
import subprocess
import tempfile
import time


class BrowserError(RuntimeError):
    pass


class Browser:
    """One headless Chromium with its own profile folder (kept across reloads of a page)."""

    def __init__(self, executable=None):
        # Debian's chromium command is a script in front of the browser itself.
        self.executable = executable or next(
            (p for p in ("/usr/lib/chromium/chromium",) if os.access(p, os.X_OK)), None) or \
            shutil.which("chromium") or shutil.which("chromium-browser")
        if not self.executable:
            raise BrowserError("no chromium on this machine (tools/setup.sh --test installs it)")
        self.profile = tempfile.mkdtemp(prefix="brunolt-chromium-")
        to_browser_read, self._to_browser = os.pipe()
        self._from_browser, from_browser_write = os.pipe()

        def descriptors():
            # The browser reads its commands from descriptor 3 and answers on 4; the two ends
            # are first moved out of the way, in case one of them is 3 or 4 already.
            read_end = os.dup(to_browser_read)
            write_end = os.dup(from_browser_write)
            os.dup2(read_end, 3)
            os.dup2(write_end, 4)

        self.process = subprocess.Popen(
            [self.executable, "--headless=new", "--remote-debugging-pipe", "--no-sandbox",
             "--no-first-run", "--no-default-browser-check", "--disable-gpu",
             "--disable-dev-shm-usage", "--disable-extensions", "--mute-audio",
             "--user-data-dir=" + self.profile, "--window-size=800,600", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            close_fds=False, preexec_fn=descriptors)
        os.close(to_browser_read)
        os.close(from_browser_write)
        self._next_id = 0
        self._buffer = b""
        self.events = []
        self.session = None

    def close(self):
        try:
            self.process.terminate()
            self.process.wait(timeout=10)
        except (subprocess.TimeoutExpired, OSError):
            self.process.kill()
        for fd in (self._to_browser, self._from_browser):
            try:
                os.close(fd)
            except OSError:
                pass
        shutil.rmtree(self.profile, ignore_errors=True)

    def _read_message(self, deadline):
        while b"\0" not in self._buffer:
            if time.monotonic() > deadline:
                raise BrowserError("the browser did not answer in time")
            chunk = os.read(self._from_browser, 1 << 20)
            if not chunk:
                raise BrowserError("the browser closed its pipe")
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def send(self, method, params=None, session=True, timeout_s=30):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout_s
        while True:
            answer = self._read_message(deadline)
            if answer.get("id") == self._next_id:
                if "error" in answer:
                    raise BrowserError(f"{method}: {answer['error']}")
                return answer.get("result", {})
            self.events.append(answer)

    def open(self, url):
        target = self.send("Target.createTarget", {"url": "about:blank"}, session=False)
        attached = self.send("Target.attachToTarget",
                             {"targetId": target["targetId"], "flatten": True}, session=False)
        self.session = attached["sessionId"]
        self.send("Runtime.enable")
        self.send("Page.enable")
        self.send("Page.navigate", {"url": url})

    def reload(self):
        self.send("Page.reload", {"ignoreCache": False})

    def evaluate(self, expression, timeout_s=30):
        result = self.send("Runtime.evaluate",
                           {"expression": expression, "returnByValue": True, "awaitPromise": True},
                           timeout_s=timeout_s)
        if "exceptionDetails" in result:
            raise BrowserError(f"script failed: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, expression, timeout_s, what):
        deadline = time.monotonic() + timeout_s
        while time.monotonic() < deadline:
            try:
                if self.evaluate(expression):
                    return
            except BrowserError:
                pass
            time.sleep(0.1)
        raise BrowserError(f"timed out waiting for {what}")

    def key(self, key, code, key_code, text=None, modifiers=0):
        """Presses and releases one key as a keyboard would (down, its character, up)."""
        base = {"key": key, "code": code, "windowsVirtualKeyCode": key_code,
                "nativeVirtualKeyCode": key_code, "modifiers": modifiers}
        down = dict(base, type="keyDown" if text else "rawKeyDown")
        if text:
            down["text"] = text
            down["unmodifiedText"] = text
        self.send("Input.dispatchKeyEvent", down)
        self.send("Input.dispatchKeyEvent", dict(base, type="keyUp"))

    def canvas(self):
        """The canvas's pixels: (width, height, RGBA bytes)."""
        value = self.evaluate(
            "(() => { const c = document.getElementById('canvas');"
            " const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
            " let s = ''; for (let i = 0; i < d.length; i += 32768)"
            " s += String.fromCharCode.apply(null, d.subarray(i, i + 32768));"
            " return [c.width, c.height, btoa(s)]; })()")
        return value[0], value[1], base64.b64decode(value[2])

    def screenshot(self, path):
        shot = self.send("Page.captureScreenshot", {"format": "png"})
        with open(path, "wb") as out:
            out.write(base64.b64decode(shot["data"]))
