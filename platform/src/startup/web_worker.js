// The worker's start-up, run before the runtime's (--pre-js): the page hands
// over the compiled module and its screen's size in its first message, and
// the program starts once the module is instantiated. From then on the
// backend (web.js) takes the page's messages.
postMessage({op: 'loaded'});

Module.instantiateWasm = function(imports, done) {
  self.onmessage = function(e) {
    self.onmessage = null;
    Module.pageScreen = e.data.screen;
    WebAssembly.instantiate(e.data.module, imports).then(function(instance) {
      done(instance, e.data.module);
    }, Module.onAbort);
  };
  return {};
};

Module.onRuntimeInitialized = function() {
  Module.running = true;
};

Module.onAbort = function(what) {
  postMessage({op: 'abort', what: String(what), started: !!Module.running});
};
