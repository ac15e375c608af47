// The example page's glue: the program's lines go to the console and the last one to the bar.
'use strict';
(function () {
  const status = document.getElementById('status');
  Module.print = (text) => { console.log(text); status.textContent = text; };
  Module.printErr = (text) => console.warn(text);
})();
