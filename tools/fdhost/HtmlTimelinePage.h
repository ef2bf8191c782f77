#pragma once
// The fixed parts of the HTML timeline page: head, layout and script. The writer puts the
// title between the first two and the lanes and marks, as JSON, before the script.
namespace fdhost {

inline constexpr char kHtmlPageHead[] = R"HTML(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>)HTML";

inline constexpr char kHtmlPageBody[] = R"HTML(</title>
<style>
  body { margin: 0; font: 13px system-ui, sans-serif; color: #1d2430; background: #f6f7f9; }
  header { padding: 10px 16px; background: #1d2430; color: #fff; display: flex; gap: 12px;
           align-items: center; flex-wrap: wrap; }
  header h1 { font-size: 15px; margin: 0; font-weight: 600; }
  header button { font: inherit; padding: 3px 10px; border: 0; border-radius: 4px; cursor: pointer; }
  #span { opacity: 0.8; }
  main { display: grid; grid-template-columns: 250px 1fr; margin: 12px 16px 0; background: #fff;
         border: 1px solid #d8dce3; border-radius: 6px; overflow: hidden; }
  #lanelist { padding-top: 28px; border-right: 1px solid #e3e6eb; }
  .lane-name { box-sizing: border-box; height: 36px; line-height: 35px; padding: 0 10px;
               white-space: nowrap;
               overflow: hidden; text-overflow: ellipsis; border-top: 1px solid #eef0f3; }
  .lane-name b { font-weight: 600; }
  #plot { position: relative; }
  canvas { display: block; width: 100%; cursor: crosshair; }
  #tip { position: fixed; pointer-events: none; background: #1d2430; color: #fff; padding: 6px 8px;
         border-radius: 4px; max-width: 520px; font-size: 12px; display: none; white-space: pre-wrap;
         word-break: break-word; z-index: 2; }
  #details { margin: 12px 16px; padding: 10px 12px; background: #fff; border: 1px solid #d8dce3;
             border-radius: 6px; white-space: pre-wrap; word-break: break-word; min-height: 2em;
             font-family: ui-monospace, monospace; font-size: 12px; }
  #errors { color: #b00020; margin: 0 16px; }
  footer { margin: 0 16px 16px; opacity: 0.7; }
</style></head>
<body>
<header><h1 id="title"></h1>
  <button id="whole">whole run</button><button id="zoomin">zoom in</button>
  <button id="zoomout">zoom out</button><span id="span"></span></header>
<main><div id="lanelist"></div><div id="plot"><canvas id="canvas"></canvas></div></main>
<div id="tip"></div>
<div id="details">Hover over a mark for its details; click to keep them here. Wheel or the
buttons zoom around the pointer, dragging moves along the time axis.</div>
<div id="errors"></div>
<footer>Virtual time since Init. Each mark is one line of the transcript.</footer>
)HTML";

inline constexpr char kHtmlPageScript[] = R"HTML(<script>
"use strict";
window.addEventListener("error", (e) => {
  const box = document.getElementById("errors");
  box.textContent += "script error: " + e.message + "\n";
  document.body.dataset.errors = "1";
});
(function () {
  const lanes = JSON.parse(document.getElementById("lanes").textContent);
  const marks = JSON.parse(document.getElementById("marks").textContent);
  document.getElementById("title").textContent = document.title;
  const colours = ["#3b6fd8", "#d8793b", "#2f9e63", "#c0508a", "#8e5cc7", "#c7a21f", "#1fa3b5",
                   "#7a818c", "#4a4f59", "#a0a6b0"];
  const byLane = lanes.map(() => []);
  marks.forEach((m, i) => byLane[m[1]].push(i));
  const list = document.getElementById("lanelist");
  lanes.forEach((name, i) => {
    const div = document.createElement("div");
    div.className = "lane-name";
    div.dataset.lane = name;
    div.dataset.count = String(byLane[i].length);
    div.innerHTML = "<b></b> (" + byLane[i].length + ")";
    div.firstChild.textContent = name;
    div.style.borderLeft = "4px solid " + colours[i % colours.length];
    list.appendChild(div);
  });

  const AXIS = 28, LANE = 36;
  const canvas = document.getElementById("canvas");
  const ctx = canvas.getContext("2d");
  const first = marks.length ? marks[0][0] : 0;
  const last = marks.length ? marks[marks.length - 1][0] : 1000;
  const whole = () => {
    const pad = Math.max(1, (last - first) * 0.02);
    return [first - pad / 4, last + pad];
  };
  let [t0, t1] = whole();
  let width = 0;

  function stamp(ms, step) {
    const neg = ms < 0 ? "-" : "";
    ms = Math.abs(Math.round(ms));
    const d = Math.floor(ms / 86400000), h = Math.floor(ms / 3600000) % 24;
    const m = Math.floor(ms / 60000) % 60, s = Math.floor(ms / 1000) % 60, f = ms % 1000;
    const two = (v) => String(v).padStart(2, "0");
    let text = (d ? d + "d " : "") + two(h) + ":" + two(m);
    if (step < 60000) text += ":" + two(s);
    if (step < 1000) text += "." + String(f).padStart(3, "0");
    return neg + text;
  }
  const steps = [1, 2, 5, 10, 20, 50, 100, 200, 500, 1e3, 2e3, 5e3, 1e4, 3e4, 6e4, 12e4, 3e5, 6e5,
                 18e5, 36e5, 72e5, 216e5, 432e5, 864e5, 1728e5, 6048e5];

  function resize() {
    const ratio = window.devicePixelRatio || 1;
    width = canvas.parentElement.clientWidth;
    const height = AXIS + LANE * lanes.length;
    canvas.width = width * ratio;
    canvas.height = height * ratio;
    canvas.style.height = height + "px";
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    draw();
  }
  const xOf = (t) => ((t - t0) / (t1 - t0)) * width;
  const tOf = (x) => t0 + (x / width) * (t1 - t0);
  // First index in a lane whose time is at least t.
  function lowerBound(lane, t) {
    const ids = byLane[lane];
    let lo = 0, hi = ids.length;
    while (lo < hi) {
      const mid = (lo + hi) >> 1;
      if (marks[ids[mid]][0] < t) lo = mid + 1; else hi = mid;
    }
    return lo;
  }

  function draw() {
    ctx.clearRect(0, 0, width, AXIS + LANE * lanes.length);
    const span = t1 - t0;
    const step = steps.find((s) => span / s <= 10) || steps[steps.length - 1];
    ctx.fillStyle = "#5b6270";
    ctx.font = "11px system-ui, sans-serif";
    ctx.strokeStyle = "#eef0f3";
    for (let t = Math.ceil(t0 / step) * step; t <= t1; t += step) {
      const x = Math.round(xOf(t)) + 0.5;
      ctx.beginPath();
      ctx.moveTo(x, AXIS - 6);
      ctx.lineTo(x, AXIS + LANE * lanes.length);
      ctx.stroke();
      ctx.fillText(stamp(t, step), x + 3, 14);
    }
    lanes.forEach((_, lane) => {
      const y = AXIS + lane * LANE;
      ctx.fillStyle = lane % 2 ? "#fafbfc" : "#ffffff";
      ctx.globalAlpha = 0.6;
      ctx.fillRect(0, y, width, LANE);
      ctx.globalAlpha = 1;
      const ids = byLane[lane];
      let lastX = -10;
      for (let k = lowerBound(lane, t0); k < ids.length; ++k) {
        const m = marks[ids[k]];
        if (m[0] > t1) break;
        const x = Math.round(xOf(m[0]));
        if (x === lastX) continue;  // one mark a pixel is enough to see
        lastX = x;
        ctx.fillStyle = m[2].startsWith("FAULT") ? "#d11" : colours[lane % colours.length];
        ctx.fillRect(x - 1, y + 6, 3, LANE - 12);
      }
    });
    document.getElementById("span").textContent =
        "showing " + stamp(t0, 1) + " to " + stamp(t1, 1) + " (" + Math.round(span) + " ms)";
  }

  // The mark nearest to a point, within 5 pixels.
  function markAt(x, y) {
    const lane = Math.floor((y - AXIS) / LANE);
    if (lane < 0 || lane >= lanes.length) return null;
    const ids = byLane[lane];
    const t = tOf(x), slack = (5 / width) * (t1 - t0);
    let best = null, bestD = Infinity;
    for (let k = lowerBound(lane, t - slack); k < ids.length; ++k) {
      const m = marks[ids[k]];
      if (m[0] > t + slack) break;
      const d = Math.abs(m[0] - t);
      if (d < bestD) { best = m; bestD = d; }
    }
    return best;
  }
  const describe = (m) => {
    let details = m[3];
    try { details = JSON.stringify(JSON.parse(m[3]), null, 1); } catch (e) { /* as it is */ }
    return stamp(m[0], 1) + "  " + lanes[m[1]] + "\n" + m[2] + "\n" + details;
  };

  const tip = document.getElementById("tip");
  let drag = null;
  canvas.addEventListener("mousemove", (e) => {
    const r = canvas.getBoundingClientRect();
    const x = e.clientX - r.left, y = e.clientY - r.top;
    if (drag) {
      const dt = ((drag.x - x) / width) * (drag.t1 - drag.t0);
      t0 = drag.t0 + dt; t1 = drag.t1 + dt;
      draw();
      return;
    }
    const m = markAt(x, y);
    tip.style.display = m ? "block" : "none";
    if (m) {
      tip.textContent = describe(m);
      tip.style.left = Math.min(e.clientX + 12, window.innerWidth - 540) + "px";
      tip.style.top = e.clientY + 14 + "px";
    }
  });
  canvas.addEventListener("mouseleave", () => { tip.style.display = "none"; drag = null; });
  canvas.addEventListener("mousedown", (e) => {
    const r = canvas.getBoundingClientRect();
    drag = { x: e.clientX - r.left, t0, t1, moved: false };
  });
  canvas.addEventListener("mouseup", (e) => {
    const r = canvas.getBoundingClientRect();
    const x = e.clientX - r.left;
    if (drag && Math.abs(drag.x - x) < 3) {
      const m = markAt(x, e.clientY - r.top);
      if (m) document.getElementById("details").textContent = describe(m);
    }
    drag = null;
  });
  function zoom(factor, x) {
    const t = tOf(x);
    const span = Math.min(Math.max((t1 - t0) * factor, 1), (last - first) * 1.2 + 1000);
    t0 = t - ((t - t0) / (t1 - t0)) * span;
    t1 = t0 + span;
    draw();
  }
  canvas.addEventListener("wheel", (e) => {
    e.preventDefault();
    const r = canvas.getBoundingClientRect();
    zoom(e.deltaY > 0 ? 1.25 : 0.8, e.clientX - r.left);
  }, { passive: false });
  document.getElementById("whole").onclick = () => { [t0, t1] = whole(); draw(); };
  document.getElementById("zoomin").onclick = () => zoom(0.5, width / 2);
  document.getElementById("zoomout").onclick = () => zoom(2, width / 2);
  window.addEventListener("resize", resize);
  resize();
  document.body.dataset.ready = "1";
})();
</script>
</body></html>
)HTML";

}  // namespace fdhost
