// Starts the show: after the click (browsers start sound only after a gesture) the audio context
// is made, then the build the page can run is loaded: with threads where the page is cross-origin
// isolated (shared memory), else the one-thread build; with WebAssembly SIMD where the browser
// validates a SIMD module, else the build without it. All four render the same frames.
// "?nosimd" in the address takes the build without SIMD anyway (to compare the two).
'use strict';
(function () {
  const status = document.getElementById('status');
  const threaded = self.crossOriginIsolated === true && typeof SharedArrayBuffer !== 'undefined';
  // The smallest module that needs SIMD: one function returning a v128.const of zeros.
  const SIMD_PROBE = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0,
    10, 22, 1, 20, 0, 253, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 11]);
  const simdValid = typeof WebAssembly === 'object' && WebAssembly.validate(SIMD_PROBE);
  const simdRefused = new URLSearchParams(location.search).has('nosimd');
  const simd = simdValid && !simdRefused;
  const say = (text) => { status.textContent = text; };
  Module.print = (text) => console.log(text);
  Module.printErr = (text) => console.warn(text);
  Module.onShowEnded = (code) => {
    document.getElementById('canvas').hidden = true;
    document.getElementById('ended').hidden = false;
    say('the show has ended' + (code ? ' (status ' + code + ')' : ''));
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  };
  function load(src) {
    const script = document.createElement('script');
    script.src = src;
    script.async = false; // the data package first, then the program
    script.onerror = () => say('could not load ' + src);
    document.body.appendChild(script);
  }
  function start() {
    document.getElementById('start').hidden = true;
    const Context = window.AudioContext || window.webkitAudioContext;
    if (Context) {
      try { Module.audioContext = new Context({ sampleRate: 44100 }); Module.audioContext.resume(); } catch (e) {}
    }
    const simdText = simd ? 'with WebAssembly SIMD'
      : simdRefused ? 'without WebAssembly SIMD (as the address asks)'
      : 'without WebAssembly SIMD (this browser lacks it)';
    if (threaded) {
      say('rendering on ' + navigator.hardwareConcurrency + ' threads, ' + simdText);
    } else {
      say('rendering on one thread, ' + simdText + ': this page is not cross-origin isolated ' +
          '(it needs the Cross-Origin-Opener-Policy and Cross-Origin-Embedder-Policy headers)');
    }
    console.log('tessellune: ' + (threaded ? 'threads: ' + navigator.hardwareConcurrency
      : 'one thread (not cross-origin isolated)') + ', ' + (simd ? 'simd' : 'no simd'));
    Module.locateFile = (path) => path;
    load('data.js');
    load((threaded ? 'tessellune' : 'tessellune-single') + (simd ? '' : '-nosimd') + '.js');
  }
  document.getElementById('start').addEventListener('click', start);
  document.getElementById('restart').addEventListener('click', () => location.reload());
  document.getElementById('stop').addEventListener('click', () => Module.scanout.requestClose());
  document.getElementById('fullscreen').addEventListener('click', () => {
    const el = document.documentElement;
    if (!document.fullscreenElement && el.requestFullscreen) el.requestFullscreen().catch(() => {});
    if (!Module.scanout.fullPage) Module.scanout.requestToggle();
  });
})();
