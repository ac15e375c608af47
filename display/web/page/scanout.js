// The page side of the Scanout browser host (display/web/web_display.cpp): the key and page event
// queue it drains, the shapes (full page or windowed), and presenting a frame on the canvas.
'use strict';
var Module = window.Module || {};
Module.scanout = (function () {
  const KEY_DOWN = 1, KEY_UP = 2, CLOSE = 3, TOGGLE = 4, ACTIVE = 5;
  // Firefox numbers three punctuation keys apart from every other browser and from virtual keys.
  const FIREFOX_KEYS = { 59: 186, 61: 187, 173: 189 };
  const queue = [];
  let canvas = null, context = null, image = null, fullPage = true;
  const push = (kind, key, alt) => queue.push((kind << 16) | (alt ? 0x100 : 0) | (key & 0xff));
  const keyCode = (e) => FIREFOX_KEYS[e.keyCode] || e.keyCode;
  function onKeyDown(e) {
    if (e.altKey && e.keyCode === 13) {
      // The browser's full screen needs this very gesture; the host switches the shape itself.
      if (!fullPage && document.documentElement.requestFullscreen) {
        document.documentElement.requestFullscreen().catch(() => {});
      } else if (fullPage && document.fullscreenElement) {
        document.exitFullscreen().catch(() => {});
      }
    }
    push(KEY_DOWN, keyCode(e), e.altKey);
    e.preventDefault();
  }
  function onKeyUp(e) { push(KEY_UP, keyCode(e), false); e.preventDefault(); }
  function onVisibility() { push(ACTIVE, document.hidden ? 0 : 1, false); }
  return {
    attach(c) {
      canvas = c;
      context = canvas.getContext('2d', { alpha: false });
      image = context.createImageData(canvas.width, canvas.height);
      window.addEventListener('keydown', onKeyDown);
      window.addEventListener('keyup', onKeyUp);
      document.addEventListener('visibilitychange', onVisibility);
    },
    detach() {
      window.removeEventListener('keydown', onKeyDown);
      window.removeEventListener('keyup', onKeyUp);
      document.removeEventListener('visibilitychange', onVisibility);
    },
    setShape(full) {
      fullPage = full;
      document.body.classList.toggle('fullpage', full);
      if (canvas) { canvas.style.width = ''; canvas.style.height = ''; }
    },
    show() { if (canvas) canvas.hidden = false; },
    zoom(factor) {
      if (!canvas || fullPage) return;
      canvas.style.width = canvas.width * factor + 'px';
      canvas.style.height = canvas.height * factor + 'px';
    },
    nextEvent() { return queue.length ? queue.shift() : -1; },
    requestClose() { push(CLOSE, 0, false); },
    requestToggle() { push(TOGGLE, 0, false); },
    get fullPage() { return fullPage; },
    // The frame arrives as XBGR8888 words (the canvas's byte order) with the top byte 0; the
    // canvas wants it opaque. The copy out of the program's memory sets the alpha on the way.
    present(pointer, width, height) {
      const source = HEAPU32.subarray(pointer >> 2, (pointer >> 2) + width * height);
      const target = new Uint32Array(image.data.buffer);
      for (let i = 0; i < source.length; i++) target[i] = source[i] | 0xff000000;
      context.putImageData(image, 0, 0);
    },
  };
})();
window.Module = Module;
