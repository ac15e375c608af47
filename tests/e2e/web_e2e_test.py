#!/usr/bin/python3
# The browser build end to end: headless Chromium, driven over the DevTools protocol in real time,
# loads build/web/ from scripts/serve-web, with and without the cross-origin isolation headers,
# and a frame of the page at a fixed time is compared with the native capture tool's frame.
#   tests/e2e/web_e2e_test.py [--web build/web] [--capture build/release/tessellune-capture]
#                             [--seconds 20] [--at 40] [--screenshot docs/images/web.png]
# Prints the fps lines it saw; exits 1 on the first failed check.
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
        fps = [line for line in page.console if line.startswith("fps: ")]
        print("%s: crossOriginIsolated=%s, %s, lit share %.2f; %s" % (
            label, isolated, [l for l in page.console if l.startswith("tessellune: ")], share,
            ", ".join(fps)), flush=True)
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
parser.add_argument("--seconds", type=float, default=12.0)
parser.add_argument("--at", default="40")
parser.add_argument("--screenshot")
options = parser.parse_args()
WEB = options.web

servers = []
try:
    isolated_server, isolated_url = start_server(True)
    servers.append(isolated_server)
    plain_server, plain_url = start_server(False)
    servers.append(plain_server)

    isolated, console = run_show(isolated_url, "with the headers", options.seconds, options.screenshot)
    if isolated is not True or not any(l.startswith("tessellune: threads: ") for l in console):
        fail("with the headers the page is not cross-origin isolated or did not take the threaded build")
    isolated, console = run_show(plain_url, "without the headers", options.seconds)
    if isolated is not False or not any("one thread" in l for l in console):
        fail("without the headers the page did not fall back to the one-thread build")
    if os.path.exists(options.capture):
        compare_fixed_frame(isolated_url, options.at, options.capture)
    else:
        fail("no native capture tool at " + options.capture)
    print("web end-to-end: passed", flush=True)
finally:
    for server in servers:
        server.terminate()
        server.wait()
