// The page's side of the web platform layer: the canvas the console shows its frames in, the
// quit request (Escape, a left click on the picture, the page's End button), the Web Audio output
// of the module player, and the notes the program hands to the page (frame statistics, end, test
// hashes, the scenes and the position for the control bar).
// Linked with --js-library; the page (index.html) supplies Module.canvas and Module.zubPage.
mergeInto(LibraryManager.library, {
  $ZUB: {
    context2d: null,
    image: null,       // an ImageData over the frame in the program's memory, or null
    quitRequested: false,
    controls: [],      // the viewer's controls pressed since the frame loop last took them
    audio: null,       // {context, node, analyser}
    audioBlock: 0,     // address of the player's block of interleaved 16-bit stereo
    audioFrames: 0,
    audioPlaying: false,
    // The frame loop. The demo's 30 frames a second come every second (or third, fourth) display
    // refresh, and every animation frame the page asks for costs the browser a whole rendering
    // pass (style, layout, paint, commit), also one in which nothing changes. So between frames
    // the loop waits on a timer until the next frame is due, and only then asks for an animation
    // frame: one a frame. (Asked for earlier, the browser can serve it at once, before the frame is
    // due, and the loop then needs a second one.)
    loopTimer: 0,      // the timer the loop waits on between frames, or 0
    loopEnded: false,
    loopRun: function () {
      var wait = Module['_zub_web_slice']();
      if (wait < 0) ZUB.loopEnded = true;
      else if (wait > 0) ZUB.loopTimer = setTimeout(ZUB.loopAsk, wait);
      else requestAnimationFrame(ZUB.loopRun);
    },
    loopAsk: function () {
      ZUB.loopTimer = 0;
      requestAnimationFrame(ZUB.loopRun);
    },
    // A key, a button or a move: taken at the next animation frame, not after the wait.
    loopWake: function () {
      if (ZUB.loopEnded || !ZUB.loopTimer) return;
      clearTimeout(ZUB.loopTimer);
      ZUB.loopAsk();
    },
  },

  zub_canvas_open__deps: ['$ZUB'],
  zub_canvas_open: function (width, height) {
    var canvas = Module['canvas'];
    canvas.width = width;
    canvas.height = height;
    ZUB.context2d = canvas.getContext('2d', { alpha: false });
    ZUB.image = null;
    // The viewer's keys, numbered as ptc::Control: Space, Right, Left, Up, Down, M. Only the
    // volume keys repeat while held; every other key is swallowed by the demo.
    var controlKeys = { ' ': 0, 'ArrowRight': 1, 'ArrowLeft': 2, 'ArrowUp': 3, 'ArrowDown': 4, 'm': 5, 'M': 5 };
    window.addEventListener('keydown', function (e) {
      if (e.key === 'Escape') { ZUB.quitRequested = true; ZUB.loopWake(); return; }
      // A key on the page's control bar works the control it is on.
      if (e.target && e.target.closest && e.target.closest('#controls')) return;
      if (e.altKey || e.ctrlKey || e.metaKey || !(e.key in controlKeys)) return;
      var control = controlKeys[e.key];
      e.preventDefault(); // no page scroll for Space and the arrows
      if (e.repeat && control !== 3 && control !== 4) return;
      if (ZUB.controls.length < 16) ZUB.controls.push(control);
      ZUB.loopWake();
    });
    // Only a mouse's left button: a tap on a touch screen also sends a mousedown, and must not end
    // the demo (touch screens end it with the page's End button, through Module.zubQuit).
    canvas.addEventListener('pointerdown', function (e) {
      if (e.pointerType === 'mouse' && e.button === 0) {
        ZUB.quitRequested = true;
        ZUB.loopWake();
      }
    });
    Module['zubQuit'] = function () {
      ZUB.quitRequested = true;
      ZUB.loopWake();
    };
  },

  zub_canvas_show__deps: ['$ZUB'],
  // The canvas is given the frame where the program left it: an ImageData over the program's own
  // memory, made once (and again only when the memory grows, which moves its buffer), so a frame
  // costs the browser's one copy and no allocation here.
  zub_canvas_show: function (rgba, width, height) {
    var image = ZUB.image;
    if (!image || image.data.buffer !== HEAPU8.buffer || image.data.byteOffset !== rgba ||
        image.width !== width || image.height !== height) {
      image = ZUB.image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width, height);
    }
    ZUB.context2d.putImageData(image, 0, 0);
  },

  zub_loop_start__deps: ['$ZUB'],
  zub_loop_start: function () {
    ZUB.loopEnded = false;
    ZUB.loopAsk();
  },

  zub_loop_wake__deps: ['$ZUB'],
  zub_loop_wake: function () {
    ZUB.loopWake();
  },

  zub_canvas_take_control__deps: ['$ZUB'],
  zub_canvas_take_control: function () {
    return ZUB.controls.length ? ZUB.controls.shift() : -1;
  },

  zub_canvas_take_quit__deps: ['$ZUB'],
  zub_canvas_take_quit: function () {
    var quit = ZUB.quitRequested;
    ZUB.quitRequested = false;
    return quit ? 1 : 0;
  },

  // The page makes the AudioContext in its click handler (Module.zubPage.audioContext), so that
  // the browser lets it play; a script processor pulls the player's blocks (this Emscripten has
  // no audio worklets). An analyser at the end of the graph lets the page see what came out.
  zub_audio_open__deps: ['$ZUB'],
  zub_audio_open: function (rate, frames, block) {
    var page = Module['zubPage'] || {};
    var context = page.audioContext;
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!context && Context) {
      try { context = new Context({ sampleRate: rate }); } catch (e) { context = null; }
    }
    if (!context) return 0;
    var node = context.createScriptProcessor(frames, 0, 2);
    var analyser = context.createAnalyser();
    analyser.fftSize = 2048;
    ZUB.audioBlock = block;
    ZUB.audioFrames = frames;
    node.onaudioprocess = function (event) {
      var left = event.outputBuffer.getChannelData(0);
      var right = event.outputBuffer.getChannelData(1);
      if (!ZUB.audioPlaying || !Module['_zub_web_audio_fill']()) {
        left.fill(0);
        right.fill(0);
        return;
      }
      // Read in place: a view made for each block would be garbage for the collector.
      for (var i = 0, at = ZUB.audioBlock >> 1; i < ZUB.audioFrames; ++i, at += 2) {
        left[i] = HEAP16[at] / 32768;
        right[i] = HEAP16[at + 1] / 32768;
      }
    };
    node.connect(analyser);
    analyser.connect(context.destination);
    ZUB.audio = { context: context, node: node, analyser: analyser };
    page.analyser = analyser;
    if (context.state !== 'running') context.resume();
    return 1;
  },

  zub_audio_pause__deps: ['$ZUB'],
  zub_audio_pause: function (pause) {
    ZUB.audioPlaying = !pause;
  },

  zub_audio_close__deps: ['$ZUB'],
  zub_audio_close: function () {
    if (!ZUB.audio) return;
    var audio = ZUB.audio;
    ZUB.audio = null;
    ZUB.audioPlaying = false;
    audio.node.disconnect();
    audio.analyser.disconnect();
  },

  zub_page_ended: function () {
    var page = Module['zubPage'];
    if (page && page.ended) page.ended();
  },

  zub_page_stats: function (frames, busyMs, reduceFlashes) {
    var page = Module['zubPage'];
    if (page && page.stats) page.stats(frames, busyMs, reduceFlashes);
  },

  zub_page_scenes: function (list, lengthMs) {
    var page = Module['zubPage'];
    if (page && page.scenes) page.scenes(UTF8ToString(list), lengthMs);
  },

  zub_page_position: function (ms, paused, volume, muted) {
    var page = Module['zubPage'];
    if (page && page.position) page.position(ms, paused !== 0, volume, muted !== 0);
  },

  zub_page_hashes: function (text, done) {
    var page = Module['zubPage'];
    if (page && page.hashes) page.hashes(UTF8ToString(text), done !== 0);
  },
});
