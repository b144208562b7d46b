#include "Page.hpp"

namespace sim {

namespace {

constexpr const char* page = R"PAGE(<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Zova: the simulated phone</title>
<style>
  body { margin: 0; font: 14px system-ui, sans-serif; background: #1d1f24; color: #e8e8ec; }
  main { display: flex; gap: 28px; padding: 24px; align-items: flex-start; }
  #phone { display: flex; flex-direction: column; align-items: center; gap: 14px; }
  #frame { padding: 14px; background: #0b0b0d; border-radius: 48px; box-shadow: 0 8px 30px #0008; }
  #screen { display: block; border-radius: 34px; cursor: pointer; user-select: none; -webkit-user-drag: none; background: #000; }
  .buttons { display: flex; gap: 10px; }
  button { font: inherit; padding: 8px 14px; border-radius: 10px; border: 1px solid #555; background: #2c2f36; color: inherit; cursor: pointer; }
  button.active { background: #6a5a8a; border-color: #a898c8; }
  aside { min-width: 300px; max-width: 460px; }
  h2 { font-size: 13px; text-transform: uppercase; letter-spacing: .06em; color: #9a9aa6; margin: 18px 0 6px; }
  table { border-collapse: collapse; }
  td { padding: 3px 12px 3px 0; font-family: ui-monospace, monospace; }
  #drop { margin-top: 18px; padding: 16px; border: 2px dashed #555; border-radius: 12px; text-align: center; color: #9a9aa6; }
  #drop.over { border-color: #a898c8; color: #e8e8ec; }
  #log { font-family: ui-monospace, monospace; font-size: 12px; color: #9a9aa6; white-space: pre-wrap; }
  a { color: #a8b8ff; }
</style>
</head>
<body>
<main>
  <section id="phone">
    <div id="frame"><img id="screen" alt="The phone's screen" draggable="false"></div>
    <div class="buttons">
      <button id="home">Home</button>
      <button id="settings">Settings</button>
      <button id="assistant">Hold for assistant</button>
    </div>
    <div class="buttons">
      <label>Size <select id="scale"><option value="1">1&times;</option><option value="2">2&times;</option></select></label>
    </div>
  </section>
  <aside>
    <h2>In front</h2><div id="front">&ndash;</div>
    <h2>Settings store</h2><table id="store"></table>
    <h2>Last sounds</h2><div id="sounds">none</div>
    <h2>URLs opened</h2><div id="urls">none</div>
    <div id="drop">Drop pictures here to add them to the photo library, or
      <input type="file" id="files" accept="image/*" multiple></div>
    <h2>Last action</h2><div id="log"></div>
  </aside>
</main>
<script>
"use strict";
const screenImage = document.getElementById("screen");
const scaleSelect = document.getElementById("scale");
const log = document.getElementById("log");
let points = { width: 390, height: 844 };
let assistantShown = false, holdStart = 0;

function say(text) { log.textContent = text; }

async function post(path, body) {
  try {
    const response = await fetch(path, { method: "POST", body });
    const text = await response.text();
    say(response.ok ? text : response.status + ": " + text);
    return response.ok ? text : null;
  } catch (error) { say("the phone is not answering"); return null; }
}

function showScreen() {
  const scale = Number(scaleSelect.value);
  screenImage.style.width = points.width * scale + "px";
  screenImage.style.height = points.height * scale + "px";
  screenImage.src = "/stream?scale=" + scale + "&t=" + Date.now();
}

function pointOf(event) {
  const box = screenImage.getBoundingClientRect();
  const x = (event.clientX - box.left) * points.width / box.width;
  const y = (event.clientY - box.top) * points.height / box.height;
  return { x: Math.min(Math.max(x, 0), points.width), y: Math.min(Math.max(y, 0), points.height) };
}

let pressed = null;
screenImage.addEventListener("pointerdown", event => { pressed = pointOf(event); event.preventDefault(); });
screenImage.addEventListener("pointerup", event => {
  if (!pressed) return;
  const end = pointOf(event), start = pressed;
  pressed = null;
  const dx = end.x - start.x, dy = end.y - start.y;
  const at = "x=" + start.x.toFixed(1) + "&y=" + start.y.toFixed(1);
  if (Math.hypot(dx, dy) < 10) post("/tap?" + at);
  else post("/drag?" + at + "&dx=" + dx.toFixed(1) + "&dy=" + dy.toFixed(1));
});

document.getElementById("home").onclick = () => post("/button/home");
document.getElementById("settings").onclick = () => post("/button/settings");
const assistantButton = document.getElementById("assistant");
function setAssistant(shown) {
  assistantShown = shown;
  assistantButton.classList.toggle("active", shown);
  return post("/button/assistant?state=" + (shown ? "show" : "hide"));
}
// Held: shown while held. A short press shows it until the next press.
assistantButton.addEventListener("pointerdown", () => {
  if (assistantShown) { setAssistant(false); holdStart = 0; return; }
  holdStart = Date.now();
  setAssistant(true);
});
assistantButton.addEventListener("pointerup", () => {
  if (holdStart && Date.now() - holdStart > 500) setAssistant(false);
  holdStart = 0;
});

scaleSelect.onchange = showScreen;
// The stream ends when the server stops or has too many open: try again a little later.
screenImage.onerror = () => setTimeout(showScreen, 1000);

async function upload(files) {
  for (const file of files) {
    const text = await post("/photos?name=" + encodeURIComponent(file.name), file);
    if (text) say("added " + JSON.parse(text).path);
  }
}
const drop = document.getElementById("drop");
document.getElementById("files").onchange = event => upload(event.target.files);
document.addEventListener("dragover", event => { event.preventDefault(); drop.classList.add("over"); });
document.addEventListener("dragleave", () => drop.classList.remove("over"));
document.addEventListener("drop", event => {
  event.preventDefault();
  drop.classList.remove("over");
  upload(event.dataTransfer.files);
});

function cell(row, text) { const td = row.insertCell(); td.textContent = text; }

async function refresh() {
  try {
    const state = await (await fetch("/state")).json();
    if (state.screen.width !== points.width || state.screen.height !== points.height) {
      points = state.screen;
      showScreen();
    }
    document.getElementById("front").textContent = state.front;
    assistantShown = state.front === "assistant";
    assistantButton.classList.toggle("active", assistantShown);
    const store = document.getElementById("store");
    store.innerHTML = "";
    for (const [key, value] of Object.entries(state.store)) {
      const row = store.insertRow();
      cell(row, key);
      cell(row, JSON.stringify(value));
    }
    if (!Object.keys(state.store).length) cell(store.insertRow(), "(empty: every key has its default)");
    document.getElementById("sounds").textContent = state.sounds.length ? state.sounds.slice(-8).join(", ") : "none";
    const urls = document.getElementById("urls");
    urls.innerHTML = "";
    for (const url of state.openedURLs) {
      const link = document.createElement("a");
      link.href = link.textContent = typeof url === "string" ? url : JSON.stringify(url);
      link.target = "_blank";
      link.rel = "noopener";
      urls.append(link, document.createElement("br"));
    }
    if (!state.openedURLs.length) urls.textContent = "none";
  } catch (error) { document.getElementById("front").textContent = "the phone is not answering"; }
  setTimeout(refresh, 300);
}

showScreen();
refresh();
</script>
</body>
</html>
)PAGE";

}

const std::string& pageHTML()
{
    static const std::string html(page);
    return html;
}

}
