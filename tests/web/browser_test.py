#!/usr/bin/env python3
"""The web build in headless Chromium, end to end.

Serves the built site on 127.0.0.1 with a short test module and plays it twice:
- on the capture tool's fixed clock (the page's ?fixed-clock: one 60 fps frame per display
  refresh), holding the frame at each chosen music position for a screenshot, to the end and
  "Play again";
- on the real clock with its sound, for a few seconds: the audio device moves the show.
Then checks the start-up lines in order, the page's end, and each screenshot against the capture
tool's still of the same frame (the same frame number, SSIM through ffmpeg).

Each run has a browser of its own, and waits for what it needs (a page that loaded, a show that
moves on) rather than for a fixed time, so a busy machine makes it slower, not wrong. A browser
that stops answering is given up with the reason printed, and the run tried once more in a fresh
one.

Usage: browser_test.py SITE_DIR BUILD_DIR MODULE OUT_DIR
Chromium speaks the DevTools protocol over a pipe (--remote-debugging-pipe), so nothing but the
standard library is needed.
"""
import base64
import functools
import http.server
import json
import os
import re
import select
import signal
import shutil
import subprocess
import sys
import tempfile
import threading
import time

# Order and row of each frame held and screenshotted, with its scene: every scene of the test
# module (8 rows an order, the scenes change at orders 5, 8, 15, 17, 23 and 25). The credits are
# taken after the tape glitch of orders 10 and 12 (rows 0 to 5): its hash, fract(sin(x) x 43758.5),
# magnifies the last bits of sin, which no two GL drivers compute alike.
POSITIONS = [
    ((2, 4), "opening"),
    ((5, 4), "beach"),
    ((6, 6), "beach, windsurfer"),
    ((9, 4), "credits, sun"),
    ((10, 7), "credits, palms"),
    ((13, 4), "credits, street"),
    ((16, 4), "shatter"),
    ((19, 0), "greetings"),
    ((24, 0), "parrot"),
    ((26, 0), "finale"),
]
# The shatter's tile speeds come from the C library's rand(), whose sequence differs between
# glibc (the capture) and Emscripten's musl (the page): its frame is screenshotted, not compared.
NOT_COMPARED = {(16, 4)}
# Compared at 480 x 270 (area-averaged from 1920 x 1080 on both sides): the same frame drawn by
# two software rasterisers (Mesa's llvmpipe, Chromium's SwiftShader) differs in single pixels of
# thin lines and in the last bit of blended colours, not in what it shows. Seen: 0.95 to 1.00 for
# the same frame; a frame one step later scores 0.30 in the opening and 0.52 on the beach.
COMPARE_SIZE = "480:270"
MIN_SSIM = 0.9
# A show whose position has not moved for this long has stopped: on a machine so busy that the
# page is slower than this, every other wait of the test would fail too.
STALL_TIMEOUT_S = 120
# Loading the page (11 MB, the WebAssembly compiled): work of a known size, not a wait for the show.
PAGE_LOAD_TIMEOUT_S = 180
# The longest a DevTools call may wait for its answer; a browser this slow has stopped answering.
REPLY_TIMEOUT_S = 90
# The real-clock run: the audio device must carry the show to this order (about three seconds of
# music), moving on all the while.
REAL_CLOCK_ORDER = 3
# The page's lead against the one measured: rounding, and the context's 128-frame render quanta.
SOUND_LEAD_TOLERANCE_MS = 6

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


class BrowserStalled(RuntimeError):
    """The browser stopped answering over its DevTools pipe, or went away."""


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
                                        preexec_fn=wire_pipes, start_new_session=True)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer = b""
        self.waiting_for = "start-up"
        self.next_id = 0
        self.console = []
        self.session = None

    def close(self):
        """Ends the browser with its renderer and GPU processes (its own process group), so that none
        writes into its profile after it is removed."""
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.process.wait()
        os.close(self.to_browser)
        os.close(self.from_browser)
        self.log.close()

    def _read_message(self):
        while b"\0" not in self.buffer:
            # A page whose main thread never comes back must fail the test, not hang it.
            if not select.select([self.from_browser], [], [], REPLY_TIMEOUT_S)[0]:
                raise BrowserStalled(f"no answer to {self.waiting_for} within {REPLY_TIMEOUT_S} s")
            chunk = os.read(self.from_browser, 1 << 20)
            if not chunk:
                raise BrowserStalled(f"it closed its DevTools pipe during {self.waiting_for}")
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
        self.waiting_for = method
        os.write(self.to_browser, json.dumps(request).encode() + b"\0")
        while True:
            message = self._read_message()
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message.get("result", {})
            self._note_event(message)

    def evaluate(self, expression, gesture=False):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True, userGesture=gesture,
                           awaitPromise=True)
        return result.get("result", {}).get("value")

    def attach(self):
        targets = self.call("Target.getTargets")["targetInfos"]
        page = next(t for t in targets if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"], flatten=True)["sessionId"]
        self.call("Runtime.enable")
        self.call("Page.enable")
        # A 16:9 viewport: the canvas fills it without bars, as the capture's frame does.
        self.call("Emulation.setDeviceMetricsOverride", width=1920, height=1080, deviceScaleFactor=1, mobile=False)

    def navigate(self, url):
        self.call("Page.navigate", url=url)

    def wait_for(self, expression, timeout_s, what, progress=None):
        """Polls `expression` until it is true; its value. The page may be between documents.
        With `progress` (an expression), the time runs from the last change of its value: the wait
        lasts as long as the show moves on."""
        deadline = time.monotonic() + timeout_s
        seen = None
        while time.monotonic() < deadline:
            try:
                value = self.evaluate(expression)
                moved = self.evaluate(progress) if progress else None
            except BrowserStalled:
                raise
            except RuntimeError:
                value, moved = None, None
            if value:
                return value
            if moved is not None and moved != seen:
                seen = moved
                deadline = time.monotonic() + timeout_s
            time.sleep(0.05)
        raise RuntimeError(f"waited {timeout_s} s for {what}" + (" with the show standing still" if progress else ""))

    def screenshot(self, path):
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


READY = "document.getElementById('start').disabled === false"
START = "document.getElementById('start').click()"


# The show's place as order x 256 + row, while the page has one.
POSITION = "typeof Module._showPosition === 'function' ? Module._showPosition() : null"


def start_show(browser, url):
    browser.navigate(url)
    browser.wait_for(READY, PAGE_LOAD_TIMEOUT_S, "the page to load")


def run_fixed_clock(browser, base_url, out):
    """The show on the fixed clock: {position: (frame, seen, screenshot)}, ended, restarted."""
    start_show(browser, base_url + "&fixed-clock")
    shots = {}
    positions = [position for position, _ in POSITIONS]
    browser.evaluate(f"Module._showHoldAt({positions[0][0]}, {positions[0][1]})")
    browser.evaluate(START, gesture=True)
    for index, position in enumerate(positions):
        try:
            frame = browser.wait_for("Module._showHeldFrame() >= 0 && Module._showHeldFrame() + 1",
                                     STALL_TIMEOUT_S, f"the frame at {position}", POSITION) - 1
        except BrowserStalled:
            raise
        except RuntimeError as error:
            print(f"  {error}")
            return shots, False, False
        seen = divmod(browser.evaluate("Module._showPosition()"), 256)
        path = os.path.join(out, f"browser_{position[0]}-{position[1]}.png")
        browser.screenshot(path)
        shots[position] = (frame, seen, path)
        if index == 0:
            # Escape belongs to the browser (it leaves full screen); the show plays on.
            for kind in ("rawKeyDown", "keyUp"):
                browser.call("Input.dispatchKeyEvent", type=kind, key="Escape", code="Escape", windowsVirtualKeyCode=27)
        following = positions[index + 1] if index + 1 < len(positions) else (-1, 0)
        browser.evaluate(f"Module._showHoldAt({following[0]}, {following[1]})")
    try:
        browser.wait_for("!document.getElementById('again').hidden", STALL_TIMEOUT_S, "the end", POSITION)
    except BrowserStalled:
        raise
    except RuntimeError as error:
        print(f"  {error}")
        return shots, False, False
    browser.screenshot(os.path.join(out, "browser_end.png"))
    # "Play again" loads the page anew and starts the show at once.
    browser.evaluate("document.getElementById('again').click()", gesture=True)
    try:
        browser.wait_for("typeof Module._showPosition === 'function' && Module._showPosition() > 0",
                         PAGE_LOAD_TIMEOUT_S, "the show to play again")
    except BrowserStalled:
        raise
    except RuntimeError as error:
        print(f"  {error}")
        return shots, True, False
    return shots, True, True


# For a second, how far ahead of the audio context's clock each script-processor buffer that SDL
# fills is scheduled to play (AudioProcessingEvent.playbackTime), and the context's own latencies.
AUDIO_LEAD = """new Promise(resolve => {
  const context = Module.SDL2.audioContext;
  const node = Module.SDL2.audio.scriptProcessorNode;
  const fill = node.onaudioprocess;
  const leads = [];
  node.onaudioprocess = event => { leads.push(event.playbackTime - context.currentTime); fill(event); };
  setTimeout(() => {
    node.onaudioprocess = fill;
    resolve({state: context.state, rate: context.sampleRate, base: context.baseLatency,
             output: context.outputLatency, size: node.bufferSize, leads: leads,
             applied: Module._showSoundLeadMs()});
  }, 1000);
})"""


def run_real_clock(browser, base_url):
    """The show on the audio device's clock, with its sound: true when it reaches REAL_CLOCK_ORDER."""
    start_show(browser, base_url)
    browser.evaluate(START, gesture=True)
    try:
        browser.wait_for(f"Module._showPosition() >= {REAL_CLOCK_ORDER * 256}", STALL_TIMEOUT_S,
                         f"order {REAL_CLOCK_ORDER}", POSITION)
    except BrowserStalled:
        raise
    except RuntimeError as error:
        print(f"  {error}")
        return False
    audio = browser.evaluate(AUDIO_LEAD)
    leads = ", ".join(f"{lead * 1000:.0f}" for lead in audio["leads"]) or "none"
    print(f"  audio context: {audio['state']}, {audio['rate']} Hz, buffers of {audio['size']} frames, "
          f"base latency {audio['base']}, output latency {audio['output']}; buffers scheduled ahead (ms): {leads}")
    if not audio["leads"]:
        print("FAIL: no script-processor buffer was filled in a second of sound")
        return False
    # The page takes off the measured schedule, the context's latencies and, when the context resamples,
    # half a buffer; a page that takes off another figure shows the picture out of step with the sound.
    scheduled = sum(audio["leads"]) / len(audio["leads"])
    resampling = audio["size"] / audio["rate"] / 2 if audio["rate"] != 44100 else 0.0
    expected_ms = 1000 * (scheduled + resampling + (audio["base"] or 0) + (audio["output"] or 0))
    print(f"  sound lead taken off the picture: {audio['applied']} ms (measured {expected_ms:.1f} ms)")
    if abs(audio["applied"] - expected_ms) > SOUND_LEAD_TOLERANCE_MS:
        print(f"FAIL: the page takes {audio['applied']} ms off the heard position, the sound is {expected_ms:.1f} ms late")
        return False
    return True


def in_fresh_browser(name, run, out):
    """`run(browser)` in a browser of its own; once more in another if the first stops answering.
    Its result and the console lines, or None for the result when both browsers stopped."""
    for attempt in (1, 2):
        profile = tempfile.mkdtemp(prefix="kavex-chromium-")
        browser = Browser(profile, os.path.join(out, f"chromium-{name}-{attempt}.log"))
        started = time.monotonic()
        try:
            browser.attach()
            result = run(browser)
            browser.call("Runtime.evaluate", expression="0")  # collects the last console events
            print(f"  {name} run: {time.monotonic() - started:.0f} s")
            return result, browser.console
        except BrowserStalled as error:
            again = "trying once more in a fresh browser" if attempt == 1 else "giving up"
            print(f"  {name} run: the browser stopped answering after {time.monotonic() - started:.0f} s "
                  f"({error}); {again}")
        finally:
            browser.close()
            shutil.rmtree(profile, ignore_errors=True)
    return None, []


def run_browser(site, module, out):
    """Both runs, each in its own browser; the console lines of each and what each run saw."""
    served = tempfile.mkdtemp(prefix="kavex-site-")
    for name in os.listdir(site):
        os.symlink(os.path.abspath(os.path.join(site, name)), os.path.join(served, name))
    shutil.copy(module, os.path.join(served, "test.mod"))
    server = serve(served)
    try:
        base_url = f"http://127.0.0.1:{server.server_port}/index.html?module=test.mod"
        fixed, fixed_console = in_fresh_browser("fixed-clock", lambda b: run_fixed_clock(b, base_url, out), out)
        moved, real_console = in_fresh_browser("real-clock", lambda b: run_real_clock(b, base_url), out)
    finally:
        server.shutdown()
        shutil.rmtree(served, ignore_errors=True)
    shots, ended, restarted = fixed if fixed is not None else ({}, False, False)
    return fixed_console, real_console, shots, ended, restarted, bool(moved)


def capture_stills(build, module, positions, out):
    """The capture's stills at 1920 x 1080: {position: (frame, still)}."""
    build = os.path.abspath(build)
    args = [os.path.join(build, "kavex_capture"), "--module", os.path.abspath(module), "--quiet",
            "--still-prefix", os.path.join(os.path.abspath(out), "still_")]
    for order, row in positions:
        args += ["--still", f"{order}:{row}"]
    env = dict(os.environ, SDL_VIDEODRIVER="offscreen")
    result = subprocess.run(args, cwd=build, env=env, check=True, capture_output=True, text=True)
    stills = {}
    for match in re.finditer(r"^Still (\d+):(\d+) \(frame (\d+),.*: (.*)$", result.stdout, re.MULTILINE):
        stills[(int(match.group(1)), int(match.group(2)))] = (int(match.group(3)), match.group(4))
    return stills


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    site, build, module, out = sys.argv[1:]
    os.makedirs(out, exist_ok=True)
    failures = []

    console, real_console, shots, ended, restarted, moved = run_browser(site, module, out)
    with open(os.path.join(out, "console.txt"), "w") as file:
        file.write("\n".join(console + ["--- the real-clock run:"] + real_console) + "\n")

    # The lines of the first run only: "Play again" loads the page, and the show, anew.
    first_run = console[:console.index(END_LINE)] if END_LINE in console else console
    startup = [line for line in first_run if line.startswith("Adding")]
    if startup != EXPECTED_STARTUP:
        failures.append(f"start-up lines differ: got {startup}")
    problems = [line for line in console + real_console
                if "rror" in line or line.startswith("Failed") or "Imposible" in line]
    if problems:
        failures.append(f"error lines on the console: {problems}")
    if not ended or END_LINE not in console:
        failures.append("the page never showed the end of the show")
    elif not restarted:
        failures.append("\"Play again\" did not start the show again")
    if not moved:
        failures.append(f"on the real clock the show did not reach order {REAL_CLOCK_ORDER}")
    if len(shots) != len(POSITIONS):
        failures.append(f"frames held at {sorted(shots)} only, wanted {len(POSITIONS)}")

    stills = capture_stills(build, module, [position for position, _ in POSITIONS], out)
    for position, scene in POSITIONS:
        if position not in shots:
            continue
        frame, seen, shot = shots[position]
        still_frame, still = stills[position]
        score = ssim(shot, still, COMPARE_SIZE)
        compared = position not in NOT_COMPARED
        print(f"  {position[0]}:{position[1]} ({scene}): frame {frame}, SSIM {score:.4f} to the capture's frame "
              f"{still_frame}" + ("" if compared else " (not compared)"))
        if frame != still_frame:
            failures.append(f"{position}: the page held frame {frame}, the capture's still is frame {still_frame}")
        if seen != position:
            failures.append(f"{position}: the page's held frame is at {seen}")
        if compared and score < MIN_SSIM:
            failures.append(f"{position} ({scene}): SSIM {score:.4f} below {MIN_SSIM}")

    for failure in failures:
        print("FAIL: " + failure)
    print("web browser test: " + ("FAILED" if failures else "passed") + f" (files in {out})")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
