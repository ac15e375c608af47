#!/usr/bin/python3
# The browser build end to end: headless Chromium, driven over the DevTools protocol in real time,
# loads build/web/ from scripts/serve-web, with and without the cross-origin isolation headers.
# The threaded page, the one-thread page and the native program (under a virtual X screen) run the
# first seconds of the show uncapped, one after the other, and their fps and occlusion bake
# figures are printed beside the targets (printed, never asserted: the machine is shared). All four
# builds (threads or not, WebAssembly SIMD or not) render the show at one frame a second and their
# hashes must equal the golden-frame manifest's, and a frame at a fixed time must equal the native
# capture tool's pixel for pixel. The display library's example page is driven with real DevTools
# key and mouse events and must print the lines the Linux and Windows example prints
# (tests/e2e/scanout_example_e2e_test.cpp).
#   tests/e2e/web_e2e_test.py [--web build/web] [--capture build/release/tessellune-capture]
#                             [--native build/run/tessellune] [--seconds 17] [--at 40]
#                             [--screenshot docs/images/web.png]
# Exits 1 on the first failed check.
import argparse, base64, json, os, re, shutil, subprocess, sys, tempfile, time, urllib.request

import websocket

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
STARTUP_LINES = [r"^now we are going to load some obj\.$", r"^new pipeline uses: ", r"^---- loading \[dunequad\.obj\]:",
                 r"^---- loading \[tealfloor\.obj\]:", r"^---- loading \[blah\.obj\]:", r"^ao calc took ",
                 r"^fps: "]
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--autoplay-policy=no-user-gesture-required", "--window-size=1024,768",
                  "--remote-debugging-port=0"]
# A lit canvas: more than this share of its pixels brighter than a dark grey.
LIT_SHARE = 0.05
GOLDEN = os.path.join(ROOT, "tests/golden/frames.txt")
# The targets the figures are printed against: the threaded page's fps over the one-thread page's,
# over the native program's, and the page's occlusion bake time over the native program's.
TARGET_THREADS_GAIN = 1.5
TARGET_OF_NATIVE = 0.70
TARGET_BAKE_RATIO = 2.0
# The program reports its fps every 5 s of the show; three reports cover its first 15 s.
FPS_REPORTS = 3


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


class Page:
    """One page target over the DevTools protocol; console lines are collected as they arrive."""

    def __init__(self, ws_url):
        self.ws = websocket.create_connection(ws_url, timeout=5, suppress_origin=True)
        self.next_id = 0
        self.console = []
        self.errors = []

    def _handle(self, message):
        method = message.get("method")
        if method == "Runtime.consoleAPICalled":
            args = message["params"]["args"]
            self.console.append(" ".join(str(a.get("value", a.get("description", ""))) for a in args))
        elif method == "Runtime.exceptionThrown":
            self.errors.append(message["params"]["exceptionDetails"].get("text", ""))

    def call(self, method, params=None, timeout=60):
        self.next_id += 1
        wanted = self.next_id
        self.ws.send(json.dumps({"id": wanted, "method": method, "params": params or {}}))
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                message = json.loads(self.ws.recv())
            except websocket.WebSocketTimeoutException:
                continue
            if message.get("id") == wanted:
                if "error" in message:
                    fail("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            self._handle(message)
        fail("no answer to " + method)

    def pump(self, seconds):
        """Real time passes (the threaded page needs it); events are read meanwhile."""
        end = time.time() + seconds
        while time.time() < end:
            self.call("Runtime.evaluate", {"expression": "0"})
            time.sleep(0.2)

    def evaluate(self, expression, timeout=60):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True}, timeout)
        if "exceptionDetails" in result:
            fail("page error in %s: %s" % (expression[:60], result["exceptionDetails"]))
        return result["result"].get("value")

    def wait_for_line(self, pattern, seconds):
        end = time.time() + seconds
        while time.time() < end:
            if any(re.search(pattern, line) for line in self.console):
                return True
            self.pump(0.5)
        return False


def start_server(isolated):
    args = [os.path.join(ROOT, "scripts/serve-web"), "--port", "0"] + ([] if isolated else ["--no-isolation"])
    server = subprocess.Popen(args + [WEB], stdout=subprocess.PIPE, text=True)
    line = server.stdout.readline()
    match = re.search(r"(http://127\.0\.0\.1:\d+/)", line)
    if not match:
        server.kill()
        fail("serve-web printed no address: " + line)
    return server, match.group(1)


def start_browser(profile):
    chromium = subprocess.Popen(["chromium"] + CHROMIUM_FLAGS + ["--user-data-dir=" + profile, "about:blank"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    port_file = os.path.join(profile, "DevToolsActivePort")
    for _ in range(300):
        if os.path.exists(port_file) and open(port_file).read().count("\n") >= 1:
            port = open(port_file).read().split("\n")[0]
            break
        time.sleep(0.1)
    else:
        chromium.kill()
        fail("Chromium did not open its DevTools port")
    targets = json.load(urllib.request.urlopen("http://127.0.0.1:%s/json/list" % port))
    page = [t for t in targets if t["type"] == "page"][0]
    return chromium, Page(page["webSocketDebuggerUrl"])


def open_show(page, url):
    page.call("Runtime.enable")
    page.call("Page.enable")
    page.call("Page.navigate", {"url": url})
    for _ in range(300):  # the start button listens once the page's scripts have run
        page.pump(0.2)
        if page.evaluate("document.readyState === 'complete' && !!document.getElementById('start')"):
            break
    else:
        fail("the page did not load from " + url)
    box = page.evaluate("(() => { const r = document.getElementById('start').getBoundingClientRect();"
                        " return [r.x + r.width / 2, r.y + r.height / 2]; })()")
    for kind in ("mousePressed", "mouseReleased"):  # a real click: the page's own start button
        page.call("Input.dispatchMouseEvent", {"type": kind, "x": box[0], "y": box[1], "button": "left",
                                               "clickCount": 1})


def canvas_pixels(page):
    data = page.evaluate("(() => { const c = document.getElementById('canvas');"
                         " const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
                         " let s = ''; for (let i = 0; i < d.length; i += 0x8000)"
                         " s += String.fromCharCode.apply(null, d.subarray(i, i + 0x8000)); return btoa(s); })()")
    return base64.b64decode(data)


def lit_share(rgba):
    pixels = len(rgba) // 4
    lit = sum(1 for i in range(0, len(rgba), 4) if rgba[i] + rgba[i + 1] + rgba[i + 2] > 3 * 24)
    return lit / pixels


def check_startup_order(console, label):
    position = -1
    for pattern in STARTUP_LINES:
        found = [i for i, line in enumerate(console) if re.search(pattern, line)]
        if not found:
            fail("%s: no console line matching %r; console:\n%s" % (label, pattern, "\n".join(console[-40:])))
        if found[0] <= position:
            fail("%s: %r came out of order" % (label, pattern))
        position = found[0]


def run_show(url, label, seconds, screenshot=None):
    profile = tempfile.mkdtemp(prefix="tessellune-chromium-")
    chromium, page = start_browser(profile)
    try:
        open_show(page, url)
        if not page.wait_for_line(r"^fps: ", 180):
            fail("%s: no fps line within 180 s; console:\n%s\nerrors: %s" % (label, "\n".join(page.console[-40:]),
                                                                        page.errors))
        page.pump(seconds)
        check_startup_order(page.console, label)
        isolated = page.evaluate("self.crossOriginIsolated")
        share = lit_share(canvas_pixels(page))
        print("%s: crossOriginIsolated=%s, %s, lit share %.2f" % (
            label, isolated, [l for l in page.console if l.startswith("tessellune: ")], share), flush=True)
        if share < LIT_SHARE:
            fail("%s: the canvas is dark (%.3f of its pixels lit)" % (label, share))
        if screenshot:
            png = page.evaluate("document.getElementById('canvas').toDataURL('image/png')")
            with open(screenshot, "wb") as f:
                f.write(base64.b64decode(png.split(",", 1)[1]))
        return isolated, page.console
    finally:
        chromium.kill()
        chromium.wait()
        shutil.rmtree(profile, ignore_errors=True)


def figures(lines):
    """The first fps reports and the occlusion bake time (ms) among a run's lines."""
    fps = [float(l.split()[1]) for l in lines if re.match(r"^fps: [\d.]+$", l.strip())][:FPS_REPORTS]
    bake = [float(m.group(1)) for m in (re.match(r"^ao calc took\s+([\d.]+) ms", l) for l in lines) if m]
    return fps, (bake[0] if bake else None)


def run_native(native, seconds):
    """The desktop program on a virtual X screen for `seconds` (silent audio); its output lines."""
    if not os.path.exists(native):
        fail("no native program at " + native)
    if not shutil.which("xvfb-run"):
        fail("xvfb-run is missing (scripts/setup installs it)")
    environment = dict(os.environ, SDL_AUDIODRIVER="dummy")
    try:
        result = subprocess.run(["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", "timeout", "--signal=INT",
                                 "--kill-after=10", str(seconds), native], env=environment,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=seconds + 60)
    except subprocess.TimeoutExpired:
        fail("the native program did not end")
    return result.stdout.splitlines()


def describe(label, lines):
    fps, bake = figures(lines)
    print("%s: %s; ao calc took %s ms" % (label, ", ".join("fps: %.1f" % f for f in fps) or "no fps line",
                                          "%.2f" % bake if bake is not None else "?"), flush=True)
    if len(fps) < FPS_REPORTS or bake is None:
        fail("%s: fewer than %d fps reports or no bake line:\n%s" % (label, FPS_REPORTS, "\n".join(lines[-30:])))
    return sum(fps) / len(fps), bake


def print_targets(threaded, single, native):
    """The figures against the targets: printed, never asserted."""
    def verdict(met):
        return "met" if met else "MISSED"
    gain = threaded[0] / single[0]
    share = threaded[0] / native[0]
    bake = threaded[1] / native[1]
    print("target: threaded page / one-thread page fps %.2f (at least %.2f): %s" % (
        gain, TARGET_THREADS_GAIN, verdict(gain >= TARGET_THREADS_GAIN)), flush=True)
    print("target: threaded page / native program fps %.2f (at least %.2f): %s" % (
        share, TARGET_OF_NATIVE, verdict(share >= TARGET_OF_NATIVE)), flush=True)
    print("target: page / native ao calc %.2f (at most %.2f): %s" % (
        bake, TARGET_BAKE_RATIO, verdict(bake <= TARGET_BAKE_RATIO)), flush=True)


def run_figures(isolated_url, plain_url):
    """The show's first seconds on the native program and both pages, one after the other."""
    native_lines = run_native(options.native, options.seconds)
    isolated, console = run_show(isolated_url + "?uncapped", "threaded page", options.seconds, options.screenshot)
    if isolated is not True or not any(l.startswith("tessellune: threads: ") for l in console):
        fail("with the headers the page is not cross-origin isolated or did not take the threaded build")
    threaded = describe("threaded page (cross-origin isolated)", console)
    isolated, console = run_show(plain_url + "?uncapped", "one-thread page", options.seconds)
    if isolated is not False or not any("one thread" in l for l in console):
        fail("without the headers the page did not fall back to the one-thread build")
    single = describe("one-thread page (not isolated)", console)
    native = describe("native program (%s)" % os.path.relpath(options.native, ROOT), native_lines)
    print_targets(threaded, single, native)


def golden_show_lines():
    lines = [l.strip() for l in open(GOLDEN) if l.startswith("show ")]
    if not lines:
        fail("no show lines in " + GOLDEN)
    return lines


def check_golden_frames(url, label, expected):
    """The page renders the show at one frame a second and prints its hashes; all must match."""
    profile = tempfile.mkdtemp(prefix="tessellune-chromium-")
    chromium, page = start_browser(profile)
    try:
        open_show(page, url)
        if not page.wait_for_line(r"^hashes done$", 600):
            fail("%s: the hash run did not end; console:\n%s\nerrors: %s" % (
                label, "\n".join(page.console[-30:]), page.errors))
        build = [l for l in page.console if l.startswith("tessellune: ")]
    finally:
        chromium.kill()
        chromium.wait()
        shutil.rmtree(profile, ignore_errors=True)
    seen = [l for l in page.console if l.startswith("show ")]
    differing = [e.split()[1] for e, a in zip(expected, seen) if e != a]
    print("golden frames, %s %s: %d of %d equal to the manifest%s" % (
        label, build, len(seen) - len(differing), len(expected),
        " (differing at %s s)" % ", ".join(differing[:12]) if differing else ""), flush=True)
    if len(seen) != len(expected) or differing:
        fail("%s: the show's frames differ from the golden frames (%d hashes printed, %d expected)" % (
            label, len(seen), len(expected)))


# The example's keys as DevTools sends them (key, code, virtual key, text) and the codes the
# listener receives, the key table's: 'A' 65, '=' 61, '-' 108, Enter 10 (as on Linux and Windows).
EXAMPLE_KEYS = [("a", "KeyA", 65, "a", 65), ("=", "Equal", 187, "=", 61), ("-", "Minus", 189, "-", 108),
                ("Enter", "Enter", 13, "\r", 10)]
ESCAPE = ("Escape", "Escape", 27, "", 27)
EXAMPLE_LINE = re.compile(r"^(key(down|pressed|up) -?[0-9]+|mouse(down|up|move) -?[0-9.]+(e[-+][0-9]+)? "
                          r"-?[0-9.]+(e[-+][0-9]+)?|activate [01]|open|close)$")


def press(page, key):
    name, code, virtual, text, _ = key
    common = {"key": name, "code": code, "windowsVirtualKeyCode": virtual, "nativeVirtualKeyCode": virtual}
    down = dict(common, type="keyDown", text=text) if text else dict(common, type="rawKeyDown")
    page.call("Input.dispatchKeyEvent", down)
    page.call("Input.dispatchKeyEvent", dict(common, type="keyUp"))
    page.pump(0.3)


def check_example(url):
    """scanout-example in the page: keys, a move, a click and Escape, as the desktop test types them."""
    profile = tempfile.mkdtemp(prefix="tessellune-chromium-")
    chromium, page = start_browser(profile)
    try:
        page.call("Runtime.enable")
        page.call("Page.enable")
        page.call("Page.navigate", {"url": url + "example.html"})
        if not page.wait_for_line(r"^open$", 60):
            fail("example: no 'open' line; console:\n%s\nerrors: %s" % ("\n".join(page.console), page.errors))
        page.pump(0.5)
        for key in EXAMPLE_KEYS:
            press(page, key)
        # The picture is shown at its own size: CSS pixels over the canvas are framebuffer pixels.
        box = page.evaluate("(() => { const r = document.getElementById('canvas').getBoundingClientRect();"
                            " return [r.x, r.y, r.width, r.height]; })()")
        if box[2] != 320 or box[3] != 240:
            fail("example: the canvas is shown at %sx%s, not at its own 320x240" % (box[2], box[3]))
        # The example page keeps the canvas at the top left on whole pixels, as a desktop window's
        # client area is, so the lines can equal the desktop runs' exactly.
        if box[0] != int(box[0]) or box[1] != int(box[1]):
            fail("example: the canvas sits at %s, %s, off the pixel grid" % (box[0], box[1]))

        def client(x, y):
            return box[0] + x, box[1] + y

        def shown(x, y):
            return "%g %g" % (x, y)

        for x, y in ((10, 20), (100, 50)):
            cx, cy = client(x, y)
            page.call("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": cx, "y": cy})
            page.pump(0.2)
        for kind in ("mousePressed", "mouseReleased"):
            cx, cy = client(100, 50)
            page.call("Input.dispatchMouseEvent", {"type": kind, "x": cx, "y": cy, "button": "left", "clickCount": 1})
            page.pump(0.2)
        press(page, ESCAPE)
        page.pump(1.0)
        closed_at = len(page.console)
        press(page, EXAMPLE_KEYS[0])  # after the close, no listener hears it
        page.pump(0.5)
        after_close = page.console[closed_at:]
        lines = [l for l in page.console if l]
    finally:
        chromium.kill()
        chromium.wait()
        shutil.rmtree(profile, ignore_errors=True)
    print("example: " + "; ".join(lines), flush=True)
    strange = [l for l in lines if not EXAMPLE_LINE.match(l)]
    if strange or not lines or lines[0] != "open":
        fail("example: not the callback lines, or not 'open' first: %s" % (strange or lines[:1]))
    events = [l for l in lines if l.startswith("key") or l.startswith("mouse") or l == "close"]
    moves = [l for l in events if l.startswith("mousemove")]
    if moves != ["mousemove " + shown(10, 20), "mousemove " + shown(100, 50)]:
        fail("example: the moves were %s, not at %s and %s" % (moves, shown(10, 20), shown(100, 50)))
    expected = []
    for key in EXAMPLE_KEYS:
        expected += ["%s %d" % (callback, key[4]) for callback in ("keydown", "keypressed", "keyup")]
    expected += ["mousedown " + shown(100, 50), "mouseup " + shown(100, 50), "keydown 27", "keypressed 27"]
    seen = [l for l in events if not l.startswith("mousemove")]
    # Escape's release is heard when it arrives before the frame that carries out the close.
    if seen[-1:] == ["keyup 27"]:
        seen.pop()
    if seen != expected:
        fail("example: the events were\n%s\nnot\n%s" % (seen, expected))
    if any(l for l in after_close):
        fail("example: the display still listened after Escape: %s" % after_close)


def compare_fixed_frame(url, at, capture):
    work = tempfile.mkdtemp(prefix="tessellune-frame-")
    try:
        native = os.path.join(work, "native.png")
        subprocess.run([capture, "--at", str(at), "--out", native], check=True, stdout=subprocess.DEVNULL)
        # An independent decoder for the native frame: ffmpeg.
        expected = subprocess.run(["ffmpeg", "-loglevel", "error", "-i", native, "-f", "rawvideo", "-pix_fmt",
                                   "rgba", "-"], check=True, stdout=subprocess.PIPE).stdout
        profile = tempfile.mkdtemp(prefix="tessellune-chromium-", dir=work)
        chromium, page = start_browser(profile)
        try:
            open_show(page, url + "?at=%s" % at)
            if not page.wait_for_line(r"^showing capture frame ", 180):
                fail("fixed frame: not shown; console:\n" + "\n".join(page.console[-30:]))
            actual = canvas_pixels(page)
        finally:
            chromium.kill()
            chromium.wait()
        if len(actual) != len(expected):
            fail("fixed frame: %d bytes against %d" % (len(actual), len(expected)))
        differing = sum(1 for i in range(0, len(actual), 4) if actual[i:i + 3] != expected[i:i + 3])
        print("fixed frame at %s s: %d of %d pixels differ from the native capture" % (
            at, differing, len(actual) // 4), flush=True)
        if differing != 0:
            with open(os.path.join(ROOT, "build", "web-frame-%s.rgba" % at), "wb") as f:
                f.write(actual)
            fail("fixed frame differs from the native capture tool's")
    finally:
        shutil.rmtree(work, ignore_errors=True)


parser = argparse.ArgumentParser()
parser.add_argument("--web", default=os.path.join(ROOT, "build/web"))
parser.add_argument("--capture", default=os.path.join(ROOT, "build/release/tessellune-capture"))
parser.add_argument("--native", default=os.path.join(ROOT, "build/run/tessellune"))
parser.add_argument("--seconds", type=float, default=17.0)
parser.add_argument("--at", default="40")
parser.add_argument("--screenshot")
parser.add_argument("--parts", default="figures,example,golden,frame",
                    help="which checks run (all by default): figures, example, golden, frame")
options = parser.parse_args()
WEB = options.web

servers = []
try:
    isolated_server, isolated_url = start_server(True)
    servers.append(isolated_server)
    plain_server, plain_url = start_server(False)
    servers.append(plain_server)

    parts = options.parts.split(",")
    if "figures" in parts:
        run_figures(isolated_url, plain_url)
    if "example" in parts:
        check_example(plain_url)
    if "golden" in parts:
        expected = golden_show_lines()
        check_golden_frames(isolated_url + "?hashes", "threaded page", expected)
        check_golden_frames(isolated_url + "?hashes&nosimd", "threaded page without SIMD", expected)
        check_golden_frames(plain_url + "?hashes", "one-thread page", expected)
        check_golden_frames(plain_url + "?hashes&nosimd", "one-thread page without SIMD", expected)
    if "frame" in parts:
        if not os.path.exists(options.capture):
            fail("no native capture tool at " + options.capture)
        compare_fixed_frame(isolated_url, options.at, options.capture)
    print("web end-to-end: passed (%s)" % ", ".join(parts), flush=True)
finally:
    for server in servers:
        server.terminate()
        server.wait()
