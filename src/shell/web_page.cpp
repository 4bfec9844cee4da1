#include "shell/export_web.h"

namespace ruvel {

// The exported game's page. A click on the start button (browsers allow
// sound only after one) fetches game.pack, unpacks it into the program's
// in-memory file system, brings back what the game saved before (browser
// storage, IndexedDB), and starts the program. Before the click the
// button stands alone in the middle; after it the canvas is scaled to the
// window by whole numbers with crisp pixels; files the game writes are copied to browser
// storage within a second. For tests the address may ask for a fixed
// clock, a frame count, an input replay and the log on the browser's console
// (?fixed-clock&frames=N&input=F&log).
const char* WebIndexPage() {
  return R"html(<!doctype html>
<html lang="ja">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Ruvel</title>
<style>
html, body { margin: 0; height: 100%; background: #000; overflow: hidden; }
#stage { position: fixed; inset: 0; display: flex; align-items: center; justify-content: center; background: #000; }
#canvas { display: block; flex: none; outline: none; image-rendering: crisp-edges; image-rendering: pixelated; }
#canvas[hidden] { display: none; }
#start { flex: none; font: bold 24px sans-serif; padding: 16px 48px; cursor: pointer; border-radius: 8px;
         white-space: nowrap; max-width: calc(100vw - 32px); }
#full { position: fixed; right: 8px; bottom: 8px; z-index: 2; opacity: 0.6; font: 14px sans-serif; }
#status { position: fixed; left: 8px; bottom: 8px; z-index: 2; color: #ccc; font: 14px sans-serif; }
</style>
</head>
<body>
<div id="stage"><button id="start">&#9654; スタート</button><canvas id="canvas" tabindex="-1" hidden></canvas></div>
<button id="full" title="全画面">全画面</button>
<div id="status"></div>
<script>
(function () {
  "use strict";
  var params = new URLSearchParams(location.search);
  var canvas = document.getElementById("canvas");
  var stage = document.getElementById("stage");
  var status = document.getElementById("status");
  var state = window.ruvelPage = { clicked: 0, firstFrame: 0, frames: 0, done: false, error: "",
                                   packed: [], saves: 0, scale: 0, started: false, stepMs: 0, steps: 0 };

  // Scale the canvas to the window by whole numbers of screen pixels per
  // game pixel, so every pixel stays sharp and equal; only when even one
  // screen pixel per game pixel does not fit is the picture shrunk.
  function fit() {
    var w = canvas.width, h = canvas.height;
    if (!w || !h) return;
    var ratio = window.devicePixelRatio || 1;
    var s = Math.min(stage.clientWidth * ratio / w, stage.clientHeight * ratio / h);
    if (s >= 1) s = Math.floor(s);
    state.scale = s;
    canvas.style.width = (w * s / ratio) + "px";
    canvas.style.height = (h * s / ratio) + "px";
  }
  new MutationObserver(fit).observe(canvas, { attributes: true, attributeFilter: ["width", "height"] });
  window.addEventListener("resize", fit);
  document.addEventListener("fullscreenchange", fit);
  document.getElementById("full").onclick = function () {
    if (document.fullscreenElement) document.exitFullscreen(); else stage.requestFullscreen();
    canvas.focus();
  };

  // game.pack: "RVPK", then per file: name length, name, mtime (s), size, bytes.
  function unpack(FS, buffer) {
    var view = new DataView(buffer), bytes = new Uint8Array(buffer), pos = 4, text = new TextDecoder();
    if (text.decode(bytes.subarray(0, 4)) !== "RVPK") throw new Error("game.pack is damaged");
    while (pos < bytes.length) {
      var n = view.getUint32(pos, true); pos += 4;
      var name = "/" + text.decode(bytes.subarray(pos, pos + n)); pos += n;
      var mtime = view.getUint32(pos, true) * 1000; pos += 4;
      var size = view.getUint32(pos, true); pos += 4;
      FS.mkdirTree(name.substring(0, name.lastIndexOf("/")));
      FS.writeFile(name, bytes.subarray(pos, pos + size)); pos += size;
      FS.utime(name, mtime, mtime);
      state.packTime = mtime;
      if (name.indexOf("/game/") === 0 && name.indexOf("/game/Temp/") !== 0) state.packed.push(name);
    }
  }

  // Files under /game newer than the pack are the game's own writes. The
  // class caches in /game/Temp are made anew by every run.
  function written(FS, dir, out) {
    FS.readdir(dir).forEach(function (name) {
      if (name === "." || name === "..") return;
      var path = dir + "/" + name;
      if (path === "/game/Temp") return;
      var st = FS.stat(path);
      if (FS.isDir(st.mode)) written(FS, path, out);
      else if (st.mtime.getTime() > state.packTime) out.push([path, st.mtime.getTime()]);
    });
    return out;
  }
  function filesUnder(FS, dir, out) {
    FS.readdir(dir).forEach(function (name) {
      if (name === "." || name === "..") return;
      var path = dir + "/" + name;
      if (FS.isDir(FS.stat(path).mode)) filesUnder(FS, path, out); else out.push(path);
    });
    return out;
  }
  function exists(FS, path) { return FS.analyzePath(path).exists; }
  function copyTree(FS, from, to) {
    filesUnder(FS, from, []).forEach(function (path) {
      var dest = to + path.substring(from.length);
      FS.mkdirTree(dest.substring(0, dest.lastIndexOf("/")));
      FS.writeFile(dest, FS.readFile(path));
    });
  }

  // Browser storage mirrors the game's writes: /save/game holds every file
  // the game wrote, /save/deleted.json the packed files it deleted. Files
  // the game deletes leave the mirror too, so a reload does not bring them
  // back.
  var savedAt = {}, deleted = {}, syncing = null;
  function readDeleted(FS) {
    try { return JSON.parse(FS.readFile("/save/deleted.json", { encoding: "utf8" })) || {}; } catch (e) { return {}; }
  }
  function restore(FS) {
    if (exists(FS, "/save/game")) {
      copyTree(FS, "/save/game", "/game");
      written(FS, "/game", []).forEach(function (f) { savedAt[f[0]] = f[1]; });
    }
    deleted = readDeleted(FS);
    Object.keys(deleted).forEach(function (path) {
      if (exists(FS, path) && !exists(FS, "/save" + path)) FS.unlink(path);
    });
  }
  // Copies what changed into the mirror; a promise of the storage being
  // up to date (or of the save under way, when one is).
  function persist() {
    var FS = window.Module && Module.FS;
    if (!FS || !state.packTime || !state.started) return Promise.resolve();
    if (syncing) return syncing.then(persist);
    var dirty = false;
    written(FS, "/game", []).forEach(function (f) {
      delete deleted[f[0]];
      if (savedAt[f[0]] === f[1]) return;
      var to = "/save" + f[0];
      FS.mkdirTree(to.substring(0, to.lastIndexOf("/")));
      FS.writeFile(to, FS.readFile(f[0]));
      savedAt[f[0]] = f[1];
      dirty = true;
    });
    if (exists(FS, "/save/game")) {
      filesUnder(FS, "/save/game", []).forEach(function (path) {
        var game = path.substring(5);
        if (exists(FS, game)) return;
        FS.unlink(path);
        delete savedAt[game];
        dirty = true;
      });
    }
    var gone = state.packed.filter(function (path) { return !deleted[path] && !exists(FS, path); });
    gone.forEach(function (path) { deleted[path] = 1; });
    if (gone.length || dirty) FS.writeFile("/save/deleted.json", JSON.stringify(deleted));
    if (!dirty && !gone.length) return Promise.resolve();
    syncing = new Promise(function (resolve) {
      FS.syncfs(false, function (err) {
        if (err) console.warn("saving to browser storage failed", err);
        syncing = null;
        state.saves++;
        resolve();
      });
    });
    return syncing;
  }
  // For tests and the page's own use: everything written so far is stored.
  state.flush = persist;

  function fail(message) {
    state.error = String(message);
    status.textContent = "起動できません: " + state.error;
  }

  function watchFrames() {
    if (window.Module && Module.ruvelFrames) {
      state.frames = Module.ruvelFrames;
      if (!state.firstFrame) { state.firstFrame = performance.now(); status.textContent = ""; }
    }
    if (window.Module && Module.ruvelDone) state.done = true;
    requestAnimationFrame(watchFrames);
  }

  function start() {
    state.clicked = performance.now();
    document.getElementById("start").remove();
    canvas.hidden = false;
    canvas.focus();
    status.textContent = "読み込み中…";
    var args = ["--home", "/game"];
    if (params.has("fixed-clock")) args.push("--fixed-clock");
    if (params.has("log")) args.push("--log");
    var frames = params.get("frames");
    if (frames && /^[0-9]+$/.test(frames)) args.push("--frames", frames);
    var input = params.get("input");
    if (input && !/^[A-Za-z0-9_.-]+$/.test(input)) input = null;
    var loads = [fetch("game.pack").then(function (r) {
      if (!r.ok) throw new Error("game.pack: " + r.status);
      return r.arrayBuffer();
    })];
    if (input) {
      args.push("--input", "/replay.txt");
      loads.push(fetch(input).then(function (r) { return r.text(); }));
    }
    Promise.all(loads).then(function (got) {
      window.Module = {
        canvas: canvas,
        arguments: args,
        print: function (t) { console.log(t); },
        printErr: function (t) { console.warn(t); },
        onAbort: fail,
        preRun: [function () {
          var FS = Module.FS;
          unpack(FS, got[0]);
          if (input) FS.writeFile("/replay.txt", got[1]);
          FS.mkdir("/save");
          FS.mount(FS.filesystems.IDBFS, {}, "/save");
          Module.addRunDependency("save");
          FS.syncfs(true, function () {
            try { restore(FS); } catch (e) { console.warn(e); }
            state.started = true;
            Module.removeRunDependency("save");
          });
        }]
      };
      var script = document.createElement("script");
      script.src = "ruvel.js";
      script.onerror = function () { fail("ruvel.js"); };
      document.body.appendChild(script);
      setInterval(persist, 500);
      document.addEventListener("visibilitychange", persist);
      window.addEventListener("pagehide", persist);
      requestAnimationFrame(watchFrames);
    }).catch(fail);
  }
  document.getElementById("start").onclick = start;
})();
</script>
</body>
</html>
)html";
}

}  // namespace ruvel
