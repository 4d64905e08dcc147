#!/usr/bin/env python3
"""The web build in headless Chromium, end to end.

Serves the built site on 127.0.0.1 with a short test module, starts the show from its button,
screenshots chosen music positions, waits for the end, then checks: the start-up lines in order,
each screenshot against the capture tool's still of the same position (SSIM through ffmpeg, and
closer to its own still than to the other positions' stills), and the page's end.

Usage: browser_test.py SITE_DIR BUILD_DIR MODULE OUT_DIR
Chromium speaks the DevTools protocol over a pipe (--remote-debugging-pipe), so nothing but the
standard library is needed.
"""
import functools
import http.server
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

# Order and row to screenshot: the opening (scene 0), the beach, the credits and the greetings.
POSITIONS = [(0, 2), (6, 1), (11, 1), (19, 1)]
# Compared with the capture's stills: the opening before its descent and the credits, drawn from
# the clock and the music alone. The show steps some animations per frame (the floor's tilt, the
# windsurfer, the greetings' pieces) and SwiftShader draws far fewer than 60 frames a second here,
# so the beach and the greetings lag the capture's 60 fps clock and are only screenshotted.
COMPARED = [(0, 2), (11, 1)]
# Compared at 96 x 54 (area-averaged): the picture's layout and colours, not the exact pixels of
# thin lines that two rasterisers place a little differently. Effects run on the show's clock,
# which starts at a different moment in each run, so a frame is not the still's twin: it must be
# closer to its own still than to any other position's, and not far off. Seen so far: the opening
# 0.46 to 0.80, the credits 0.33 to 0.91, other positions' stills below 0.25.
COMPARE_SIZE = "96:54"
MIN_SSIM = 0.25
SHOW_TIMEOUT_S = 240

EXPECTED_STARTUP = [
    "Adding Shader: TextureMatrix2D (first request)",
    "Adding Shader: TextureMatrix3D (first request)",
    "Adding Shader: Color2D (first request)",
    "Adding Shader: palms_Kavex (first request)",
    "Adding Shader: city (first request)",
    "Adding Shader: road (first request)",
    "Adding Shader: jail_tunnel (first request)",
    "Adding Texture Graphic Assets/beach.jpg (first request)",
    "Adding Texture Graphic Assets/streets.jpg (first request)",
    "Adding Texture Graphic Assets/BGVapor.jpg (first request)",
    "Adding Texture Graphic Assets/city.png (first request)",
    "Adding Shader: PlaneMusic (first request)",
    "Adding Texture Graphic Assets/heightmap.png (first request)",
    "Adding Mesh: Assets/flamingo.obj (first request)",
    "Adding Texture Graphic Assets/flamingo_tex.png (first request)",
    "Adding Mesh: Assets/plane.obj (first request)",
    "Adding Mesh: Assets/windsurf.obj (first request)",
    "Adding Texture Graphic Assets/windsurf_tex.png (first request)",
    "Adding Texture Graphic Assets/Kavex_Vice_6c.png (first request)",
    "Adding Texture Graphic Assets/credits_text.png (first request)",
    "Adding Texture Graphic Assets/papagayo_6c.png (first request)",
    "Adding Texture Graphic Assets/opening.png (first request)",
    "Adding Texture Graphic Assets/lyrics.png (first request)",
    "Adding Texture Graphic Assets/greets.png (first request)",
]
END_LINE = "The show has ended."


class Browser:
    """Headless Chromium driven over the DevTools pipe (fd 3 in, fd 4 out, messages end in NUL)."""

    def __init__(self, profile_dir, log_path):
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()

        def wire_pipes():
            os.dup2(to_browser_r, 3)
            os.dup2(from_browser_w, 4)

        args = [
            shutil.which("chromium") or "chromium",
            "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
            "--autoplay-policy=no-user-gesture-required", "--disable-background-networking",
            "--no-first-run", "--disable-component-update", "--disable-sync",
            "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
            "--window-size=1920,1080", "--user-data-dir=" + profile_dir,
            "--enable-logging=stderr", "--v=0", "--remote-debugging-pipe", "about:blank",
        ]
        self.log = open(log_path, "wb")
        self.process = subprocess.Popen(args, stdout=self.log, stderr=subprocess.STDOUT, pass_fds=(3, 4),
                                        preexec_fn=wire_pipes)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer = b""
        self.next_id = 0
        self.console = []
        self.session = None

    def close(self):
        self.process.kill()
        self.process.wait()
        self.log.close()

    def _read_message(self):
        while b"\0" not in self.buffer:
            chunk = os.read(self.from_browser, 1 << 20)
            if not chunk:
                raise RuntimeError("the browser closed its DevTools pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def _note_event(self, message):
        if message.get("method") == "Runtime.consoleAPICalled":
            text = " ".join(str(arg.get("value", arg.get("description", ""))) for arg in message["params"]["args"])
            self.console.extend(text.splitlines() or [""])

    def call(self, method, **params):
        self.next_id += 1
        request = {"id": self.next_id, "method": method, "params": params}
        if self.session is not None:
            request["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(request).encode() + b"\0")
        while True:
            message = self._read_message()
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message.get("result", {})
            self._note_event(message)

    def evaluate(self, expression, gesture=False):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True, userGesture=gesture)
        return result.get("result", {}).get("value")

    def open_page(self, url):
        targets = self.call("Target.getTargets")["targetInfos"]
        page = next(t for t in targets if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"], flatten=True)["sessionId"]
        self.call("Runtime.enable")
        self.call("Page.enable")
        # A 16:9 viewport: the canvas fills it without bars, as the capture's frame does.
        self.call("Emulation.setDeviceMetricsOverride", width=1920, height=1080, deviceScaleFactor=1, mobile=False)
        self.call("Page.navigate", url=url)

    def screenshot(self, path):
        import base64
        data = self.call("Page.captureScreenshot", format="png")["data"]
        with open(path, "wb") as file:
            file.write(base64.b64decode(data))


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(directory):
    handler = functools.partial(QuietHandler, directory=directory)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def ssim(a, b, size):
    """SSIM (all channels) of two images scaled to `size`, by ffmpeg's ssim filter."""
    result = subprocess.run(
        ["ffmpeg", "-hide_banner", "-nostats", "-i", a, "-i", b, "-lavfi",
         f"[0:v]scale={size}:flags=area,format=rgb24[x];[1:v]scale={size}:flags=area,format=rgb24[y];[x][y]ssim", "-f", "null", "-"],
        capture_output=True, text=True, check=True)
    match = re.search(r"All:([0-9.]+)", result.stderr)
    if not match:
        raise RuntimeError("no SSIM from ffmpeg: " + result.stderr[-500:])
    return float(match.group(1))


def run_show(site, module, out):
    """Plays the show in the browser; returns (console lines, {position: screenshot}, ended)."""
    served = tempfile.mkdtemp(prefix="velmora-site-")
    profile = tempfile.mkdtemp(prefix="velmora-chromium-")
    for name in os.listdir(site):
        os.symlink(os.path.abspath(os.path.join(site, name)), os.path.join(served, name))
    shutil.copy(module, os.path.join(served, "test.mod"))
    server = serve(served)
    browser = Browser(profile, os.path.join(out, "chromium.log"))
    shots = {}
    ended = False
    restarted = False
    try:
        browser.open_page(f"http://127.0.0.1:{server.server_port}/index.html?module=test.mod")
        deadline = time.monotonic() + 60
        while browser.evaluate("document.getElementById('start').disabled") is not False:
            if time.monotonic() > deadline:
                raise RuntimeError("the page never became ready to start")
            time.sleep(0.2)
        browser.evaluate("document.getElementById('start').click()", gesture=True)
        pending = list(POSITIONS)
        deadline = time.monotonic() + SHOW_TIMEOUT_S
        while time.monotonic() < deadline:
            position = browser.evaluate("Module._showPosition()")
            while pending and position is not None and position >= pending[0][0] * 256 + pending[0][1]:
                seen = divmod(position, 256)
                path = os.path.join(out, f"browser_{seen[0]}-{seen[1]}.png")
                browser.screenshot(path)
                # Compared with the still of the position the page showed, which may be a row later.
                shots[pending.pop(0)] = (seen, path)
                if len(shots) == 1:
                    # Escape belongs to the browser (it leaves full screen); the show plays on.
                    for kind in ("rawKeyDown", "keyUp"):
                        browser.call("Input.dispatchKeyEvent", type=kind, key="Escape", code="Escape",
                                     windowsVirtualKeyCode=27)
            if browser.evaluate("!document.getElementById('again').hidden"):
                ended = True
                browser.screenshot(os.path.join(out, "browser_end.png"))
                restarted = play_again(browser)
                break
            time.sleep(0.05)
        browser.call("Runtime.evaluate", expression="0")  # collects the last console events
    finally:
        browser.close()
        server.shutdown()
        shutil.rmtree(served, ignore_errors=True)
        shutil.rmtree(profile, ignore_errors=True)
    return browser.console, shots, ended, restarted


def play_again(browser):
    """Clicks "Play again"; true when the reloaded page starts the show by itself."""
    browser.evaluate("document.getElementById('again').click()", gesture=True)
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        time.sleep(0.2)
        try:
            if (browser.evaluate("typeof Module._showPosition === 'function' && Module._showPosition()") or 0) > 0:
                return True
        except RuntimeError:
            pass  # the page is between documents
    return False


def capture_stills(build, module, positions, out):
    build = os.path.abspath(build)
    args = [os.path.join(build, "kavex_capture"), "--module", os.path.abspath(module), "--size", "480x270",
            "--still-prefix", os.path.join(os.path.abspath(out), "still_")]
    for order, row in positions:
        args += ["--still", f"{order}:{row}"]
    args += ["--until", f"{positions[-1][0]}:{positions[-1][1]}"]
    env = dict(os.environ, SDL_VIDEODRIVER="offscreen")
    subprocess.run(args, cwd=build, env=env, check=True, stdout=subprocess.DEVNULL)
    return {p: os.path.join(out, f"still_{p[0]}-{p[1]}.png") for p in positions}


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    site, build, module, out = sys.argv[1:]
    os.makedirs(out, exist_ok=True)
    failures = []

    started = time.monotonic()
    console, shots, ended, restarted = run_show(site, module, out)
    print(f"  browser run: {time.monotonic() - started:.0f} s")
    with open(os.path.join(out, "console.txt"), "w") as file:
        file.write("\n".join(console) + "\n")

    # The lines of the first run only: "Play again" loads the page, and the show, anew.
    first_run = console[:console.index(END_LINE)] if END_LINE in console else console
    startup = [line for line in first_run if line.startswith("Adding")]
    if startup != EXPECTED_STARTUP:
        failures.append(f"start-up lines differ: got {startup}")
    problems = [line for line in first_run if "rror" in line or line.startswith("Failed") or "Imposible" in line]
    if problems:
        failures.append(f"error lines on the console: {problems}")
    if not ended or END_LINE not in console:
        failures.append("the page never showed the end of the show")
    elif not restarted:
        failures.append("\"Play again\" did not start the show again")
    if any(position not in shots for position in COMPARED):
        failures.append(f"screenshots of {sorted(shots)} only, wanted {len(POSITIONS)}")

    stills = capture_stills(build, module, sorted({seen for seen, _ in shots.values()}), out)
    for asked, (seen, shot) in sorted(shots.items()):
        scores = {other: ssim(shot, still, COMPARE_SIZE) for other, still in stills.items()}
        own = scores[seen]
        others = [score for other, score in scores.items() if other != seen]
        name = f"order {seen[0]} row {seen[1]}"
        print(f"  {name}: SSIM {own:.3f} to its still, {max(others, default=0):.3f} at most to the others"
              + ("" if asked in COMPARED else " (not compared)"))
        if asked not in COMPARED:
            continue
        if own < MIN_SSIM:
            failures.append(f"{name}: SSIM {own:.3f} below {MIN_SSIM}")
        if any(score >= own for score in others):
            failures.append(f"{name} looks more like another position's still")

    for failure in failures:
        print("FAIL: " + failure)
    print("web browser test: " + ("FAILED" if failures else "passed") + f" (files in {out})")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
