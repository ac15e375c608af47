// The page side of the Scanout browser host (display/web/web_display.cpp): the key, mouse and page
// event queue it drains, the shapes (full page or windowed), and presenting a frame on the canvas.
'use strict';
var Module = window.Module || {};
Module.scanout = (function () {
  const KEY_DOWN = 1, KEY_UP = 2, CLOSE = 3, TOGGLE = 4, ACTIVE = 5;
  const MOUSE_MOVE = 6, MOUSE_DOWN = 7, MOUSE_UP = 8;
  // Firefox numbers three punctuation keys apart from every other browser and from virtual keys.
  const FIREFOX_KEYS = { 59: 186, 61: 187, 173: 189 };
  const queue = [];
  let canvas = null, context = null, image = null, fullPage = true;
  // Each entry: the packed code (kind, Alt, key or button) and, for the mouse, the pointer and the
  // canvas element's size in CSS pixels; the host maps them into the framebuffer.
  const push = (kind, key, alt, x = 0, y = 0, width = 0, height = 0) =>
    queue.push({ code: (kind << 16) | (alt ? 0x100 : 0) | (key & 0xff), x, y, width, height });
  function pushMouse(kind, e) {
    const box = canvas.getBoundingClientRect();
    push(kind, e.button || 0, false, e.clientX - box.left, e.clientY - box.top, box.width, box.height);
  }
  function onMouseMove(e) { pushMouse(MOUSE_MOVE, e); }
  function onMouseDown(e) { pushMouse(MOUSE_DOWN, e); e.preventDefault(); }
  function onMouseUp(e) { pushMouse(MOUSE_UP, e); e.preventDefault(); }
  function onContextMenu(e) { e.preventDefault(); } // the right button belongs to the program
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
      canvas.addEventListener('mousemove', onMouseMove);
      canvas.addEventListener('mousedown', onMouseDown);
      canvas.addEventListener('mouseup', onMouseUp);
      canvas.addEventListener('contextmenu', onContextMenu);
    },
    detach() {
      window.removeEventListener('keydown', onKeyDown);
      window.removeEventListener('keyup', onKeyUp);
      document.removeEventListener('visibilitychange', onVisibility);
      if (canvas) {
        canvas.removeEventListener('mousemove', onMouseMove);
        canvas.removeEventListener('mousedown', onMouseDown);
        canvas.removeEventListener('mouseup', onMouseUp);
        canvas.removeEventListener('contextmenu', onContextMenu);
      }
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
    nextEvent() { return queue.length ? queue.shift() : null; },
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
