// Drives an exported game page in headless Chromium through the DevTools
// protocol: presses the start button, waits for the run, takes a screenshot
// of the canvas and measures start time and frame rate.
//   node drive_page.js compare URL OUT.png     (a run with ?frames=N: waits for its end)
//   node drive_page.js measure URL              (presses Z, prints start ms and fps)
//   node drive_page.js persist URL              (a file the game writes is there after a reload)
// Chromium's address comes from CHROME_PORT.
"use strict";
const http = require("http");
const WebSocket = require("ws");

const [mode, url, out] = process.argv.slice(2);
const port = process.env.CHROME_PORT;

function getJson(path) {
  return new Promise((resolve, reject) => {
    http.get({ host: "127.0.0.1", port, path }, (res) => {
      let body = "";
      res.on("data", (d) => (body += d));
      res.on("end", () => { try { resolve(JSON.parse(body)); } catch (e) { reject(new Error(path + ": " + body)); } });
    }).on("error", reject);
  });
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

async function main() {
  const target = (await getJson("/json/list")).find((t) => t.type === "page");
  if (!target) throw new Error("chromium shows no page");
  const ws = new WebSocket(target.webSocketDebuggerUrl, { perMessageDeflate: false });
  await new Promise((r, j) => { ws.on("open", r); ws.on("error", j); });
  let id = 0;
  const pending = new Map();
  ws.on("message", (m) => {
    const msg = JSON.parse(m);
    if (msg.id && pending.has(msg.id)) {
      const { resolve, reject } = pending.get(msg.id);
      pending.delete(msg.id);
      if (msg.error) reject(new Error(JSON.stringify(msg.error))); else resolve(msg.result);
    } else if (msg.method === "Runtime.consoleAPICalled" && process.env.SHOW_CONSOLE) {
      console.error("page:", msg.params.args.map((a) => a.value).join(" "));
    } else if (msg.method === "Runtime.exceptionThrown") {
      console.error("page exception:", msg.params.exceptionDetails.text,
                    msg.params.exceptionDetails.exception && msg.params.exceptionDetails.exception.description);
    }
  });
  const send = (method, params = {}) => new Promise((resolve, reject) => {
    pending.set(++id, { resolve, reject });
    ws.send(JSON.stringify({ id, method, params }));
  });
  const evaluate = async (expr) => (await send("Runtime.evaluate", { expression: expr, returnByValue: true })).result.value;
  const waitFor = async (expr, ms, what) => {
    const end = Date.now() + ms;
    while (Date.now() < end) {
      const v = await evaluate(expr);
      if (v) return v;
      await sleep(50);
    }
    const err = await evaluate("window.ruvelPage && ruvelPage.error");
    throw new Error("timed out waiting for " + what + (err ? ": " + err : ""));
  };

  await send("Runtime.enable");
  await send("Page.enable");
  await send("Emulation.setDeviceMetricsOverride", { width: Number(process.env.VIEW_W || 560), height: Number(process.env.VIEW_H || 400), deviceScaleFactor: 1, mobile: false });
  const t0 = Date.now();
  // Opens the page, clicks start (a real click: browsers allow sound only
  // after one) and waits for the first frame; the time from the click.
  const open = async () => {
    await send("Page.navigate", { url });
    await waitFor("document.readyState === 'complete' && !!document.getElementById('start')", 20000, "the page");
    const box = await evaluate("(() => { const r = document.getElementById('start').getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()");
    for (const type of ["mousePressed", "mouseReleased"]) {
      await send("Input.dispatchMouseEvent", { type, x: box[0], y: box[1], button: "left", clickCount: 1 });
    }
    await waitFor("window.ruvelPage.firstFrame > 0", 30000, "the first frame");
    return evaluate("ruvelPage.firstFrame - ruvelPage.clicked");
  };
  const startMs = await open();
  if (mode === "persist") {
    const token = "kept " + Date.now();
    await evaluate(`Module.FS.mkdirTree('/game/Usr/files'); Module.FS.writeFile('/game/Usr/files/saved.txt', '${token}'); 1`);
    await sleep(2500);
    await open();
    await sleep(500);
    const back = await evaluate("(() => { try { return Module.FS.readFile('/game/Usr/files/saved.txt', { encoding: 'utf8' }); } catch (e) { return 'missing'; } })()");
    const packed = await evaluate("Module.FS.analyzePath('/save/game/Usr/title.cmml').exists");
    console.log(`after reload: ${back === token ? "kept" : "lost (" + back + ")"}; untouched files stored: ${packed}`);
    if (back !== token || packed) process.exitCode = 1;
  } else if (mode === "compare") {
    await waitFor("window.ruvelPage.done", 120000, "the end of the run");
    await evaluate("document.getElementById('full').style.display = 'none'; document.getElementById('status').style.display = 'none'; 1");
    await sleep(100);
    const rect = await evaluate("(() => { const r = document.getElementById('canvas').getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; })()");
    const shot = await send("Page.captureScreenshot", { format: "png", clip: { x: rect[0], y: rect[1], width: rect[2], height: rect[3], scale: 1 } });
    require("fs").writeFileSync(out, Buffer.from(shot.data, "base64"));
    console.log(`start_ms=${Math.round(startMs)} load_ms=${Date.now() - t0}`);
  } else {
    const key = (type) => send("Input.dispatchKeyEvent", { type, key: "z", code: "KeyZ", windowsVirtualKeyCode: 90, nativeVirtualKeyCode: 90 });
    await sleep(500);
    await key("keyDown");
    await sleep(200);
    await key("keyUp");
    await sleep(1500);
    const f0 = await evaluate("ruvelPage.frames");
    const s0 = Date.now();
    await sleep(5000);
    const f1 = await evaluate("ruvelPage.frames");
    const fps = (f1 - f0) / ((Date.now() - s0) / 1000);
    const title = await evaluate("document.title");
    const audio = await evaluate("(window.Module && Module.SDL2 && Module.SDL2.audioContext) ? Module.SDL2.audioContext.state : 'none'");
    console.log(`start_ms=${Math.round(startMs)} fps=${fps.toFixed(1)} title=${title} audio=${audio}`);
  }
  ws.close();
}

main().then(() => process.exit(0), (e) => { console.error("drive_page: " + e.message); process.exit(1); });
