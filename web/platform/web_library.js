// The JavaScript that the layer's C++ side calls (web_glut.cpp and web_bridge.cpp, declared in
// web_bridge.h; web_gl.cpp), linked with --js-library. What the program tells the page goes to the
// hooks the page puts on Module (velmir-page.js and its neighbours); the rest asks the browser's GLUT,
// runtime or WebGL context for what only they know or do.
mergeInto(LibraryManager.library, {
  // The program's state, whenever it changed: the page's buttons, the picture's name, what is said.
  velmirPageState: function (running, trails, arrows, mode, body, timeScale) {
    if (Module['onProgramState'])
      Module['onProgramState']({ running: !!running, trails: !!trails, arrows: !!arrows, mode: mode,
                                 body: UTF8ToString(body), timeScale: timeScale });
  },
  // The program's menus as it registers them: entries (subMenu 0) or submenus, in order, and the one
  // the right button opens. The page builds and opens the menu itself.
  velmirPageMenuEntry: function (menu, label, value, subMenu) {
    if (Module['onMenuEntry']) Module['onMenuEntry'](menu, UTF8ToString(label), value, subMenu);
  },
  velmirPageMenuAttached: function (menu) {
    if (Module['onMenuAttached']) Module['onMenuAttached'](menu);
  },
  // The program's window opens (its event loop starts): the page gives the canvas its size.
  velmirPageWindowOpens__deps: ['$velmirEarlyWindow'],
  velmirPageWindowOpens: function () {
    if (Module['onWindowOpen']) Module['onWindowOpen']();
  },
  // The browser's GLUT's window, made on the page's context before main() (velmir-page.js), so that
  // glutCreateWindow finds it made. It starts the GL emulation (its buffers, its tables): in Chromium
  // 13 to 23 ms of main()'s task, which went over 50 ms in a third of the loads. Without the page's
  // context, main() makes the attempt, and the page says why it cannot draw.
  $velmirEarlyWindow__deps: ['$Browser'],
  $velmirEarlyWindow__postset: "Module['velmirOpenWindow'] = velmirEarlyWindow;",
  $velmirEarlyWindow: function () {
    if (Module['preinitializedWebGLContext']) Browser.createContext(Module['canvas'], true, true);
  },
  velmirPageProgramEnding: function () {
    if (Module['onProgramEnding']) Module['onProgramEnding']();
  },

  // The canvas's drawing buffer is the window: the program's reshape hears of a new size through the
  // browser's GLUT, as a desktop window system tells it.
  velmirSetCanvasSize__deps: ['$Browser'],
  velmirSetCanvasSize: function (width, height) {
    var canvas = Module['canvas'];
    if (canvas.width != width) canvas.width = width;
    if (canvas.height != height) canvas.height = height;
    Browser.updateResizeListeners();
  },
  velmirSetInitialWindowSize__deps: ['$GLUT'],
  velmirSetInitialWindowSize: function (width, height) {
    GLUT.initWindowWidth = width;
    GLUT.initWindowHeight = height;
  },
  velmirIdleCallbackSet__deps: ['$GLUT'],
  velmirIdleCallbackSet: function () {
    return GLUT.idleFunc ? 1 : 0;
  },
  // The page owns the DOM's input events: the listeners the browser's GLUT put on the window go.
  velmirDropBrowserInput__deps: ['$GLUT'],
  velmirDropBrowserInput: function () {
    var types = { keydown: GLUT.onKeydown, keyup: GLUT.onKeyup, mousemove: GLUT.onMousemove,
                  mousedown: GLUT.onMouseButtonDown, mouseup: GLUT.onMouseButtonUp,
                  mousewheel: GLUT.onMouseWheel, DOMMouseScroll: GLUT.onMouseWheel,
                  touchstart: GLUT.touchHandler, touchmove: GLUT.touchHandler, touchend: GLUT.touchHandler };
    for (var type in types) window.removeEventListener(type, types[type], true);
  },
  // The emulation's shaders for the first frames and the bands of a large first texture, one a task
  // (velmirWarmUpStep), then the first frame: made inside that frame, the shaders kept the main thread
  // busy for a tenth of a second in one go.
  velmirWarmUpThenDraw: function () {
    function next() {
      if (!ABORT && !runtimeExited && _velmirWarmUpStep()) setTimeout(next, 0);
    }
    setTimeout(next, 0);
  },

  // --- The GL layer's (web_gl.cpp)

  // WebGL's clear colour and colour mask as last set, from the context's start (WebGL's defaults
  // then). Asked of WebGL, each is a wait for the GPU process to finish everything sent before it: in
  // Chromium 15 to 40 ms each behind a texture's bands, which made the first band's task the longest of
  // the load.
  // Kept in place: the program sets the mask every frame.
  $velmirClearState: { color: [0, 0, 0, 0], mask: [true, true, true, true] },
  $velmirClearState__deps: ['$Browser'],
  $velmirClearState__postset: 'Browser.moduleContextCreatedCallbacks.push(function () {\n' +
    '  var own = Object.getPrototypeOf(GLctx);\n' +
    '  velmirClearState.color = [0, 0, 0, 0];\n' +
    '  velmirClearState.mask = [true, true, true, true];\n' +
    '  GLctx.clearColor = function (r, g, b, a) { var c = velmirClearState.color; c[0] = r; c[1] = g; c[2] = b; c[3] = a; own.clearColor.call(this, r, g, b, a); };\n' +
    '  GLctx.colorMask = function (r, g, b, a) { var m = velmirClearState.mask; m[0] = r; m[1] = g; m[2] = b; m[3] = a; own.colorMask.call(this, r, g, b, a); };\n' +
    '});',
  // Clears a texture to black through a framebuffer, leaving WebGL's state as it was; 0 when there is
  // no such texture. Its completeness is not asked (another wait): WebGL guarantees that a texture of
  // RGBA bytes can be drawn to, and the layer makes it so.
  velmirClearTexture__deps: ['$GL', '$velmirClearState'],
  velmirClearTexture: function (name) {
    var gl = GLctx;
    var texture = GL.textures[name];
    if (!texture) return 0;
    var framebuffer = gl.createFramebuffer();
    var previous = gl.getParameter(gl.FRAMEBUFFER_BINDING); // the browser's own record: no wait
    var color = velmirClearState.color.slice(); // the calls below change the record
    var mask = velmirClearState.mask.slice();
    var scissor = gl.isEnabled(gl.SCISSOR_TEST); // kept by the browser's side too
    gl.bindFramebuffer(gl.FRAMEBUFFER, framebuffer);
    gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, texture, 0);
    gl.disable(gl.SCISSOR_TEST);
    gl.colorMask(true, true, true, true);
    gl.clearColor(0, 0, 0, 1);
    gl.clear(gl.COLOR_BUFFER_BIT);
    gl.clearColor(color[0], color[1], color[2], color[3]);
    gl.colorMask(mask[0], mask[1], mask[2], mask[3]);
    if (scissor) gl.enable(gl.SCISSOR_TEST);
    gl.bindFramebuffer(gl.FRAMEBUFFER, previous);
    gl.deleteFramebuffer(framebuffer);
    return 1;
  },
  // The warm draws go to a framebuffer of one pixel of their own: drawn to the canvas, even writing
  // nothing, each would make the browser show the canvas anew, and the next step would wait for the
  // GPU process to do so. 0 ends it.
  velmirDrawAside: function (aside) {
    var gl = GLctx;
    if (aside) {
      var texture = gl.createTexture();
      var previous = gl.getParameter(gl.TEXTURE_BINDING_2D);
      gl.bindTexture(gl.TEXTURE_2D, texture);
      gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, 1, 1, 0, gl.RGBA, gl.UNSIGNED_BYTE, new Uint8Array(4));
      gl.bindTexture(gl.TEXTURE_2D, previous);
      var framebuffer = gl.createFramebuffer();
      gl.bindFramebuffer(gl.FRAMEBUFFER, framebuffer);
      gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, texture, 0);
      // A viewport of its size too: Firefox warns of one larger than what is drawn to.
      Module.velmirAside = { framebuffer: framebuffer, texture: texture, viewport: gl.getParameter(gl.VIEWPORT) };
      gl.viewport(0, 0, 1, 1);
    } else if (Module.velmirAside) {
      var was = Module.velmirAside;
      gl.bindFramebuffer(gl.FRAMEBUFFER, null);
      gl.viewport(was.viewport[0], was.viewport[1], was.viewport[2], was.viewport[3]);
      gl.deleteFramebuffer(was.framebuffer);
      gl.deleteTexture(was.texture);
      Module.velmirAside = null;
    }
  },
  // The staged texture takes the place of the one the program just made under its own name: the
  // emulation's table of names then gives the staged WebGL texture for it, and the empty one goes.
  velmirAdoptTexture__deps: ['$GL'],
  velmirAdoptTexture: function (name, stagedName) {
    var texture = GL.textures[stagedName];
    GLctx.deleteTexture(GL.textures[name]);
    texture.name = name;
    GL.textures[name] = texture;
    GL.textures[stagedName] = null;
    GLctx.bindTexture(GLctx.TEXTURE_2D, texture);
  },
  // The emulation gives every shader it makes a default colour, also one without a colour attribute
  // (location -1), which WebGL refuses with a warning that Firefox prints. The call goes to whatever
  // the context's own function is when it is made, so anything that wraps it later still sees it.
  velmirSkipMissingAttributes: function () {
    GLctx.vertexAttrib4fv = function (index, values) {
      if (index >= 0) Object.getPrototypeOf(this).vertexAttrib4fv.call(this, index, values);
    };
  },
  // The page makes the context before main() (velmir-page.js), with the attributes the program's
  // display mode asks for (GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH); the browser's GLUT then takes it as
  // it is. Whether it has what a display mode asked for later would want.
  velmirContextFitsDisplayMode__deps: ['$GLUT'],
  velmirContextFitsDisplayMode: function () {
    var mode = GLUT.initDisplayMode;
    var got = GLctx.getContextAttributes();
    return got.depth == ((mode & 0x10) != 0) && got.stencil == ((mode & 0x20) != 0) &&
           got.alpha == ((mode & 0x08) != 0) && got.antialias == ((mode & 0x80) != 0);
  },
});
