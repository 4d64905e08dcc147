// SDL's JavaScript calls these Emscripten helpers and names them with EM_JS_DEPS, which
// Debian's Emscripten 3.1.6 does not read (web/EmJsDepsShim.h empties it): this entry pulls them in.
mergeInto(LibraryManager.library, {
  showSdlDeps__deps: ['$autoResumeAudioContext', '$dynCall'],
  showSdlDeps: function() {},
});
