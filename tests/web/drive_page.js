// Drives an exported game page in headless Chromium through the DevTools
// protocol. Every wait is for a condition on the page, with a generous
// limit and a message naming what did not happen.
//   node drive_page.js compare URL OUT.png [pad-left]
//       a run with ?frames=N: waits for its end and saves the canvas;
//       pad-left: a gamepad whose stick is held left from the start
//   node drive_page.js measure URL    presses Z, prints start ms and fps
//   node drive_page.js persist URL    a file written is there after a reload,
//                                     untouched packed files are not stored
//   node drive_page.js probe URL      the probe project: dialogs, files kept
//                                     and deleted across reloads, the ranking
//                                     opener, a module that cannot load
//   node drive_page.js layout URL DIR the start button whole and centred at
//                                     window sizes from a phone's to full HD
//                                     (screenshots before the click in DIR),
//                                     then the game scaled by whole numbers
//                                     with sharp pixels
// Chromium's address comes from CHROME_PORT.
"use strict";
const http = require("http");
const WebSocket = require("ws");

const [mode, url, out, option] = process.argv.slice(2);
const port = process.env.CHROME_PORT;
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

function getJson(path) {
  return new Promise((resolve, reject) => {
    http.get({ host: "127.0.0.1", port, path }, (res) => {
      let body = "";
      res.on("data", (d) => (body += d));
      res.on("end", () => { try { resolve(JSON.parse(body)); } catch (e) { reject(new Error(path + ": " + body)); } });
    }).on("error", reject);
  });
}

// Stands in for the browser's gamepads before the page's own scripts run:
// one standard pad whose left stick is pushed left from the program's
// sixth frame on (a browser reports a stick only when it moves, so it must
// not be held already when the pad is found).
const padLeft = `(() => {
  const buttons = Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 }));
  const pad = { id: "test pad", index: 0, connected: true, mapping: "standard", timestamp: 0, buttons,
                get axes() { return [window.Module && Module.ruvelFrames > 5 ? -1 : 0, 0, 0, 0]; } };
  navigator.getGamepads = () => [pad, null, null, null];
})();`;

// window.open answers null (a blocked pop-up) the first time, then a window;
// every address asked for is kept.
const recordOpen = `(() => {
  window.openedUrls = [];
  window.open = (u) => { window.openedUrls.push(String(u)); return window.openedUrls.length > 1 ? {} : null; };
})();`;

async function connect() {
  const target = (await getJson("/json/list")).find((t) => t.type === "page");
  if (!target) throw new Error("chromium shows no page");
  const ws = new WebSocket(target.webSocketDebuggerUrl, { perMessageDeflate: false });
  await new Promise((r, j) => { ws.on("open", r); ws.on("error", j); });
  let id = 0;
  const pending = new Map();
  const page = { console: [], dialogs: [], answers: [], ws };
  const send = (method, params = {}) => new Promise((resolve, reject) => {
    pending.set(++id, { resolve, reject });
    ws.send(JSON.stringify({ id, method, params }));
  });
  ws.on("message", (m) => {
    const msg = JSON.parse(m);
    if (msg.id && pending.has(msg.id)) {
      const { resolve, reject } = pending.get(msg.id);
      pending.delete(msg.id);
      if (msg.error) reject(new Error(JSON.stringify(msg.error))); else resolve(msg.result);
    } else if (msg.method === "Runtime.consoleAPICalled") {
      const line = msg.params.args.map((a) => a.value).join(" ");
      page.console.push(line);
      if (process.env.SHOW_CONSOLE) console.error("page:", line);
    } else if (msg.method === "Runtime.exceptionThrown") {
      console.error("page exception:", msg.params.exceptionDetails.text,
                    msg.params.exceptionDetails.exception && msg.params.exceptionDetails.exception.description);
    } else if (msg.method === "Page.javascriptDialogOpening") {
      // Alerts are the program's message boxes; prompts its dialogs,
      // answered from the queue (cancelled when it is empty).
      const d = { type: msg.params.type, message: msg.params.message };
      page.dialogs.push(d);
      if (process.env.SHOW_CONSOLE) console.error("dialog:", d.type, d.message);
      const answer = d.type === "prompt" ? page.answers.shift() : undefined;
      send("Page.handleJavaScriptDialog", answer === undefined && d.type === "prompt"
        ? { accept: false } : { accept: true, promptText: answer === undefined ? "" : answer }).catch(() => {});
    }
  });
  page.send = send;
  page.evaluate = async (expr, awaitPromise = false) =>
    (await send("Runtime.evaluate", { expression: expr, returnByValue: true, awaitPromise })).result.value;
  page.waitFor = async (what, ms, test) => {
    const end = Date.now() + ms;
    while (Date.now() < end) {
      const v = await test();
      if (v) return v;
      await sleep(50);
    }
    const err = await page.evaluate("window.ruvelPage && ruvelPage.error");
    throw new Error(`timed out after ${ms / 1000} s waiting for ${what}` + (err ? ": " + err : "") +
                    `\n  console: ${page.console.slice(-8).join(" | ")}\n  dialogs: ${JSON.stringify(page.dialogs.slice(-4))}`);
  };
  page.waitForPage = (what, ms, expr) => page.waitFor(what, ms, () => page.evaluate(expr));
  page.waitForLine = (prefix, ms) =>
    page.waitFor(`the line "${prefix}"`, ms, () => page.console.find((l) => l.startsWith(prefix)));

  await send("Runtime.enable");
  await send("Page.enable");
  await send("Emulation.setDeviceMetricsOverride", { width: Number(process.env.VIEW_W || 560), height: Number(process.env.VIEW_H || 400), deviceScaleFactor: 1, mobile: false });
  // Opens the page, clicks start (a real click: browsers allow sound only
  // after one) and waits for the first frame; returns the time from the click.
  page.open = async (address) => {
    page.console = [];
    page.dialogs = [];
    await send("Page.navigate", { url: address });
    await page.waitForPage("the page", 60000, "document.readyState === 'complete' && !!document.getElementById('start')");
    const box = await page.evaluate("(() => { const r = document.getElementById('start').getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()");
    for (const type of ["mousePressed", "mouseReleased"]) {
      await send("Input.dispatchMouseEvent", { type, x: box[0], y: box[1], button: "left", clickCount: 1 });
    }
    await page.waitForPage("the first frame", 60000, "window.ruvelPage.firstFrame > 0");
    return page.evaluate("ruvelPage.firstFrame - ruvelPage.clicked");
  };
  // Resolves after the page drew twice more.
  page.settle = () => page.evaluate("new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => r(1))))", true);
  return page;
}

const failures = [];
function expect(ok, what) { if (!ok) failures.push(what); }

async function compare(page) {
  if (option === "pad-left") await page.send("Page.addScriptToEvaluateOnNewDocument", { source: padLeft });
  const t0 = Date.now();
  const startMs = await page.open(url);
  await page.waitForPage("the end of the run", 300000, "window.ruvelPage.done");
  await page.evaluate("document.getElementById('full').style.display = 'none'; document.getElementById('status').style.display = 'none'; 1");
  await page.settle();
  const rect = await page.evaluate("(() => { const r = document.getElementById('canvas').getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; })()");
  const shot = await page.send("Page.captureScreenshot", { format: "png", clip: { x: rect[0], y: rect[1], width: rect[2], height: rect[3], scale: 1 } });
  require("fs").writeFileSync(out, Buffer.from(shot.data, "base64"));
  console.log(`start_ms=${Math.round(startMs)} load_ms=${Date.now() - t0}`);
}

async function measure(page) {
  const startMs = await page.open(url);
  const key = (type) => page.send("Input.dispatchKeyEvent", { type, key: "z", code: "KeyZ", windowsVirtualKeyCode: 90, nativeVirtualKeyCode: 90 });
  await sleep(500);
  await key("keyDown");
  await sleep(200);
  await key("keyUp");
  await sleep(1500);
  // The frame rate over 5 s of the play page, with the page's own count of
  // the time spent in each step.
  // The browser's own animation frames are counted too: the game cannot
  // draw more often than the browser offers (at most 1000/17 = 58.8 steps a
  // second by the frame loop's 17 ms clock).
  await page.send("Performance.enable");
  const busy = async () => (await page.send("Performance.getMetrics")).metrics.find((m) => m.name === "TaskDuration").value;
  await page.evaluate("ruvelPage.stepMs = 0; ruvelPage.steps = 0; window.rafCount = 0; (function f() { rafCount++; requestAnimationFrame(f); })(); 1");
  const f0 = await page.evaluate("ruvelPage.frames");
  const b0 = await busy();
  const s0 = Date.now();
  await sleep(5000);
  const f1 = await page.evaluate("ruvelPage.frames");
  const seconds = (Date.now() - s0) / 1000;
  const fps = (f1 - f0) / seconds;
  const raf = (await page.evaluate("rafCount")) / seconds;
  const mainThread = (100 * (await busy() - b0)) / seconds;
  const title = await page.evaluate("document.title");
  const audio = await page.evaluate("(window.Module && Module.SDL2 && Module.SDL2.audioContext) ? Module.SDL2.audioContext.state : 'none'");
  const step = await page.evaluate("ruvelPage.steps ? (ruvelPage.stepMs / ruvelPage.steps).toFixed(2) : 'n/a'");
  console.log(`start_ms=${Math.round(startMs)} fps=${fps.toFixed(1)} browser_frames_per_s=${raf.toFixed(1)} ` +
              `step_ms=${step} main_thread_busy=${mainThread.toFixed(0)}% title=${title} audio=${audio}`);
}

async function persist(page) {
  await page.open(url);
  const token = "kept " + Date.now();
  await page.evaluate(`Module.FS.mkdirTree('/game/Usr/files'); Module.FS.writeFile('/game/Usr/files/saved.txt', '${token}'); 1`);
  await page.evaluate("ruvelPage.flush().then(() => 1)", true);
  await page.open(url);
  const back = await page.evaluate("(() => { try { return Module.FS.readFile('/game/Usr/files/saved.txt', { encoding: 'utf8' }); } catch (e) { return 'missing'; } })()");
  const packed = await page.evaluate("Module.FS.analyzePath('/save/game/Usr/title.cmml').exists");
  expect(back === token, "a written file did not survive a reload: " + back);
  expect(!packed, "an untouched packed file was stored");
  console.log(`after reload: ${back === token ? "kept" : "lost (" + back + ")"}; untouched files stored: ${packed}`);
}

// One visit of the probe (its address asks for the log, where the
// script's print goes): answers its two dialogs, waits for its files
// line and its last word, then stores what it wrote.
async function probeVisit(page, filesLine) {
  page.answers = ["ゆうしゃ", "2"];
  await page.open(url);
  const files = await page.waitForLine("probe files keep=", 60000);
  await page.waitForLine(filesLine, 60000);
  await page.waitFor("the module's message", 60000,
    () => page.dialogs.find((d) => d.type === "alert" && d.message.includes("native関数が実装されていません")));
  await page.evaluate("ruvelPage.flush().then(() => 1)", true);
  return files;
}

async function probe(page) {
  await page.send("Page.addScriptToEvaluateOnNewDocument", { source: recordOpen });
  // First visit: the dialogs, the ranking, the module; the files are written.
  let files = await probeVisit(page, "probe files written");
  const line = (p) => page.console.find((l) => l.startsWith(p)) || "(none)";
  expect(line("probe input") === "probe input 1 ゆうしゃ", "InputBox: " + line("probe input"));
  expect(line("probe select") === "probe select 2", "SelectBox: " + line("probe select"));
  const prompts = page.dialogs.filter((d) => d.type === "prompt");
  expect(prompts.length === 2 && prompts[0].message.includes("名前を入れてください") &&
         prompts[1].message.includes("2: いいえ") && prompts[1].message.includes("3: たぶん"),
         "the dialogs' texts: " + JSON.stringify(prompts));
  expect(files === "probe files keep=0 gone=0 packed=1", "first visit: " + files);
  const opened = await page.evaluate("window.openedUrls");
  expect(opened.length === 2 && opened.every((u) => u.startsWith("http://127.0.0.1:9/rank.cgi?") && u.includes("score=1200")),
         "ranking addresses: " + JSON.stringify(opened));
  const refused = page.dialogs.filter((d) => d.type === "alert" && d.message.includes("ブラウザを開けません: http://127.0.0.1:9/rank.cgi"));
  expect(refused.length === 1, "the blocked ranking page is told once: " + JSON.stringify(page.dialogs));
  expect(!page.console.some((l) => l.startsWith("probe module ")), "a module that cannot load answered");
  // Second visit: both files came back; one of them and a packed file go.
  files = await probeVisit(page, "probe files deleted");
  expect(files === "probe files keep=1 gone=1 packed=1", "second visit: " + files);
  // Third visit: what was deleted stays deleted.
  files = await probeVisit(page, "probe files checked");
  expect(files === "probe files keep=1 gone=0 packed=0", "third visit: " + files);
  console.log(`dialogs, ranking, module message, files across reloads: ${failures.length ? "FAILED" : "as expected"}`);
}

// The window sizes the page must suit: phones held upright and sideways,
// small and large desktop windows.
const kViewports = [[360, 640], [640, 360], [412, 915], [800, 600], [1280, 720], [1920, 1080]];

// Decoded screenshot of the canvas (RGBA rows), through the PNG reader of
// compare_png.js.
function canvasShot(data) {
  const file = require("path").join(require("os").tmpdir(), `ruvel-shot-${process.pid}.png`);
  require("fs").writeFileSync(file, Buffer.from(data, "base64"));
  const img = require("./compare_png.js").decode(file);
  require("fs").unlinkSync(file);
  return img;
}

async function layout(page) {
  require("fs").mkdirSync(out, { recursive: true });
  const lines = [];
  for (const [w, h] of kViewports) {
    await page.send("Emulation.setDeviceMetricsOverride", { width: w, height: h, deviceScaleFactor: 1, mobile: false });
    await page.send("Page.navigate", { url });
    await page.waitForPage("the page", 60000, "document.readyState === 'complete' && !!document.getElementById('start')");
    await page.settle();
    const shot = await page.send("Page.captureScreenshot", { format: "png" });
    require("fs").writeFileSync(`${out}/start-${w}x${h}.png`, Buffer.from(shot.data, "base64"));
    const b = await page.evaluate(`(() => {
      const e = document.getElementById('start'), r = e.getBoundingClientRect();
      return { x: r.x, y: r.y, w: r.width, h: r.height, clipped: e.scrollWidth > e.clientWidth + 1,
               lineHeight: parseFloat(getComputedStyle(e).fontSize) * 1.6,
               canvas: getComputedStyle(document.getElementById('canvas')).display };
    })()`);
    const where = `${w}x${h}: button at ${b.x.toFixed(0)},${b.y.toFixed(0)} size ${b.w.toFixed(0)}x${b.h.toFixed(0)}`;
    expect(b.x >= 0 && b.y >= 0 && b.x + b.w <= w && b.y + b.h <= h, where + " reaches out of the window");
    expect(Math.abs(b.x + b.w / 2 - w / 2) <= 1 && Math.abs(b.y + b.h / 2 - h / 2) <= 1, where + " is not centred");
    expect(!b.clipped && b.w > b.h && b.h < 2 * b.lineHeight + 32, where + " is squeezed (text wrapped or cut)");
    expect(b.canvas === "none", `${w}x${h}: the hidden canvas takes room (display ${b.canvas})`);
    lines.push(`${w}x${h} ${b.w.toFixed(0)}x${b.h.toFixed(0)}`);
  }
  // After the click: the scale by whole numbers where one fits, sharp.
  const scales = [];
  for (const [w, h] of [[1920, 1080], [1280, 720], [360, 640]]) {
    await page.send("Emulation.setDeviceMetricsOverride", { width: w, height: h, deviceScaleFactor: 1, mobile: false });
    await page.open(url + (url.includes("?") ? "&" : "?") + "fixed-clock&frames=40");
    await page.waitForPage("the end of the run", 300000, "window.ruvelPage.done");
    await page.evaluate("document.getElementById('full').style.display = 'none'; document.getElementById('status').style.display = 'none'; 1");
    await page.settle();
    const c = await page.evaluate(`(() => {
      const e = document.getElementById('canvas'), r = e.getBoundingClientRect();
      return { x: r.x, y: r.y, w: r.width, h: r.height, cw: e.width, ch: e.height, scale: ruvelPage.scale,
               rendering: getComputedStyle(e).imageRendering };
    })()`);
    const fits = Math.min(w / c.cw, h / c.ch);
    const want = fits >= 1 ? Math.floor(fits) : fits;
    const where = `${w}x${h}: canvas ${c.cw}x${c.ch} shown ${c.w.toFixed(1)}x${c.h.toFixed(1)}`;
    expect(Math.abs(c.w - c.cw * want) <= 1 && Math.abs(c.h - c.ch * want) <= 1, `${where}, not scaled by ${want.toFixed(2)}`);
    expect(Math.abs(c.x + c.w / 2 - w / 2) <= 1 && Math.abs(c.y + c.h / 2 - h / 2) <= 1, where + " is not centred");
    expect(c.rendering === "pixelated", `${where}: image-rendering ${c.rendering}`);
    if (want >= 2) {
      // Every game pixel must be a whole square of equal screen pixels.
      const shot = await page.send("Page.captureScreenshot", { format: "png",
        clip: { x: c.x, y: c.y, width: c.w, height: c.h, scale: 1 } });
      require("fs").writeFileSync(`${out}/game-${w}x${h}.png`, Buffer.from(shot.data, "base64"));
      const img = canvasShot(shot.data);
      let uneven = 0, colours = new Set();
      for (let y = 0; y + want <= img.height; y += want) {
        for (let x = 0; x + want <= img.width; x += want) {
          const at = (xx, yy) => img.px.readUInt32LE((yy * img.width + xx) * 4);
          const first = at(x, y);
          colours.add(first);
          for (let dy = 0; dy < want; dy++) for (let dx = 0; dx < want; dx++) if (at(x + dx, y + dy) !== first) { uneven++; dy = want; break; }
        }
      }
      expect(colours.size > 4, `${where}: the game drew nothing to look at (${colours.size} colours)`);
      expect(uneven === 0, `${where}: ${uneven} game pixels are not sharp squares of ${want}x${want}`);
    }
    scales.push(`${w}x${h} x${want.toFixed(2)}`);
  }
  console.log(`start button whole and centred at ${lines.join(", ")}; game scaled ${scales.join(", ")}`);
}

async function main() {
  const page = await connect();
  await ({ compare, measure, persist, probe, layout }[mode] || (() => { throw new Error("unknown mode " + mode); }))(page);
  page.ws.close();
  if (failures.length) {
    for (const f of failures) console.error("drive_page: " + f);
    process.exit(1);
  }
}

main().then(() => process.exit(0), (e) => {
  for (const f of failures) console.error("drive_page: " + f);
  console.error("drive_page: " + e.message);
  process.exit(1);
});
