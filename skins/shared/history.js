// Sensor history: every value the program writes into the page is sampled and
// the last ten minutes of each sensor are drawn as a small graph.
//
// The program runs this text in the page each time a skin loads, also over an
// earlier skin's script, so: only function declarations and "var" at top level
// (a second "let"/"const" of the same name would reject the whole block), and
// all state lives in one window property that a new load takes over. History
// survives a skin change because series are keyed by sensor, not by element.

var VP_SAMPLES = 300;          // 300 samples of a 2-second pass = 10 minutes
var VP_SPAN_MS = 600000;
var VP_MIN_STEP_MS = 700;      // writes closer than this belong to one pass
var VP_GAP_MS = 10000;         // a longer silence breaks the line

function VpState() {
    var s = window.__vornSkin;
    if (!s || s.version !== 1) {
        s = { version: 1, series: {}, sensors: [], listening: false, pending: 0,
              shown: 'VOLT', warn: {}, retries: 0, hover: null };
        window.__vornSkin = s;
    }
    return s;
}

function VpById(id) {
    try { return document.getElementById(id); } catch (e) { return null; }
}

// "3.31 V", " 45 &#176;C", "<font ...> 2500 RPM</font>", "-12.05 V" -> number;
// "Disable", "N/A", "" -> null. Temperatures are kept in Celsius so that a
// change of unit does not break the line.
function VpParse(text, kind) {
    var m = /-?\d+(?:\.\d+)?/.exec(text || '');
    if (!m) return null;
    var v = parseFloat(m[0]);
    if (!isFinite(v)) return null;
    if (kind === 'Temp' && /F/.test(text)) v = (v - 32) / 1.8;
    return v;
}

function VpParseAll(text, kind) {
    var out = [], re = /-?\d+(?:\.\d+)?/g, m;
    while ((m = re.exec(text || '')) !== null) {
        var v = parseFloat(m[0]);
        if (kind === 'Temp' && /F/.test(text)) v = (v - 32) / 1.8;
        if (isFinite(v)) out.push(v);
    }
    return out;
}

function VpTextOf(el) {
    return el ? (el.textContent || '') : '';
}

function VpFind(row, cls) {
    try { return row.querySelector('.' + cls); } catch (e) { return null; }
}

// Collects the sensor rows the stylesheet made. Rows are found by class: item names hold spaces and "+",
// which ids allow but CSS selectors do not.
function VpBind() {
    var s = VpState();
    if (s.pending) { clearTimeout(s.pending); s.pending = 0; }
    s.sensors = [];
    var rows = document.querySelectorAll('.vp-row');
    for (var i = 0; i < rows.length; i++) {
        var row = rows[i];
        var kind = row.getAttribute('data-kind') || '';
        var name = row.getAttribute('data-name') || '';
        var sensor = {
            row: row, kind: kind, key: kind + ':' + name,
            value: VpFind(row, 'vp-value'), status: VpFind(row, 'vp-status'),
            limit: VpFind(row, 'vp-limit'), canvas: VpFind(row, 'vp-graph'),
            section: row.getAttribute('data-cat') || ''
        };
        if (!s.series[sensor.key]) s.series[sensor.key] = [];
        VpPrepareCanvas(sensor.canvas);
        VpHookCanvas(sensor);
        s.sensors.push(sensor);
    }
    // The program announces every update it applies, also one that changed no element (it
    // skips rewriting what the page already shows): one sample per update.
    if (!s.listening) {
        s.listening = true;
        document.addEventListener('vornupdate', function () { VpOnUpdate(); });
    }
    return s.sensors.length;
}

// Sample once the update's own work is done.
function VpOnUpdate() {
    var s = VpState();
    if (!s.pending) s.pending = setTimeout(VpSample, 40);
}

function VpSample() {
    var s = VpState();
    s.pending = 0;
    var now = Date.now();
    for (var i = 0; i < s.sensors.length; i++) {
        try { VpRecord(s, s.sensors[i], now); } catch (e) {}
    }
    try { VpBanner(); } catch (e) {}
    VpDrawShown(true);
}

function VpRecord(s, sensor, now) {
    var text = VpTextOf(sensor.value);
    var v = VpParse(text, sensor.kind);
    var list = s.series[sensor.key];
    var last = list.length ? list[list.length - 1] : null;
    if (last && now - last.t < VP_MIN_STEP_MS) { last.v = v; }
    else list.push({ t: now, v: v });
    while (list.length > VP_SAMPLES) list.shift();
    sensor.unitF = sensor.kind === 'Temp' && /F/.test(text);

    var st = VpTextOf(sensor.status);
    var warn = /Warning/i.test(st);
    // A row the program could not read this time is neither normal nor off.
    var stale = /Stale|Not read/.test(st);
    var off = !stale && (/Disable|N\/A/.test(st) || v === null);
    VpClass(sensor.row, 'vp-row-warn', warn);
    VpClass(sensor.row, 'vp-row-stale', stale && !warn);
    VpClass(sensor.row, 'vp-row-off', off && !warn);
    VpClass(sensor.row, 'vp-row-ok', !warn && !off && !stale && st !== '');
    sensor.warn = warn;
}

function VpClass(el, cls, on) {
    if (!el || !el.classList) return;
    if (on) el.classList.add(cls); else el.classList.remove(cls);
}

// The banner blinks by the program's own rewrites; mirror them on the
// container so the whole pill changes colour, not only the word.
function VpBanner() {
    var b = VpById('WarningText');
    if (!b) return;
    var text = VpTextOf(b);
    var alarm = /WARNING/.test(text);
    var lit = alarm && !!b.querySelector('[style]');
    // STALE, NO READINGS, NO ITEMS, NO SENSORS: the program cannot vouch for what is shown.
    var blind = /STALE|NO READINGS|NO ITEMS|NO SENSORS/.test(text);
    VpClass(b, 'vp-alarm', alarm);
    VpClass(b, 'vp-alarm-lit', lit);
    VpClass(b, 'vp-blind', blind);
    VpClass(document.getElementById('vp-root'), 'vp-root-alarm', alarm);
    VpClass(document.getElementById('vp-root'), 'vp-root-blind', blind);
    VpClass(document.getElementById('vp-root'), 'vp-root-none', /NO SENSORS/.test(text));
}

// A pass moves a 10-minute graph by a fraction of a pixel: after a pass, a graph is drawn
// again at once when its state or limits changed, otherwise at most every VP_REDRAW_MS (a new
// reading reaches the graph within that; the value beside it shows at once). Drawing every
// graph on every pass was a large part of the page's idle work.
var VP_REDRAW_MS = 6000;

function VpDrawShown(afterPass) {
    var s = VpState();
    var now = Date.now();
    for (var i = 0; i < s.sensors.length; i++) {
        var sensor = s.sensors[i];
        if (sensor.section && sensor.section !== s.shown) continue;
        var look = !!sensor.warn + '|' + VpTextOf(sensor.limit);
        if (afterPass && sensor.drawnLook === look && now - (sensor.drawnAt || 0) < VP_REDRAW_MS)
            continue;
        sensor.drawnLook = look;
        sensor.drawnAt = now;
        try { VpDraw(s, sensor); } catch (e) {}
    }
}

function VpPrepareCanvas(c) {
    if (!c || !c.getContext) return;
    var w = parseInt(c.getAttribute('width'), 10) || 100;
    var h = parseInt(c.getAttribute('height'), 10) || 24;
    var r = window.devicePixelRatio || 1;
    c.style.width = w + 'px';
    c.style.height = h + 'px';
    c.width = Math.round(w * r);
    c.height = Math.round(h * r);
    c.__cssW = w; c.__cssH = h; c.__ratio = r;
}

function VpUnit(kind, f) {
    if (kind === 'Volt') return ' V';
    if (kind === 'Fan') return ' RPM';
    return f ? ' \u00b0F' : ' \u00b0C';
}

function VpShowValue(kind, v, f) {
    if (kind === 'Temp' && f) v = v * 1.8 + 32;
    return v;
}

function VpFmt(kind, v) {
    if (kind === 'Volt') return v.toFixed(2);
    return String(Math.round(v));
}

// Draws one sensor's last ten minutes: time runs left to right with "now" at
// the right edge, the scale spans the data and the limit band (VpScale) and
// every limit shows as a dashed line.
function VpDraw(s, sensor) {
    var c = sensor.canvas;
    if (!c || !c.getContext) return;
    var ctx = c.getContext('2d');
    var w = c.__cssW || c.width, h = c.__cssH || c.height, r = c.__ratio || 1;
    ctx.setTransform(r, 0, 0, r, 0, 0);
    ctx.clearRect(0, 0, w, h);

    var kind = sensor.kind, f = !!sensor.unitF;
    var list = s.series[sensor.key] || [];
    var now = Date.now(), t0 = now - VP_SPAN_MS;
    var lo = Infinity, hi = -Infinity, n = 0;
    for (var i = 0; i < list.length; i++) {
        var p = list[i];
        if (p.t < t0 || p.v === null) continue;
        var v = VpShowValue(kind, p.v, f);
        if (v < lo) lo = v;
        if (v > hi) hi = v;
        n++;
    }

    // Quiet guide line across the middle.
    ctx.strokeStyle = 'rgba(255,255,255,0.06)';
    ctx.lineWidth = 1;
    ctx.beginPath(); ctx.moveTo(0, Math.floor(h / 2) + 0.5); ctx.lineTo(w, Math.floor(h / 2) + 0.5); ctx.stroke();
    if (!n) { c.title = 'No readings yet'; return; }

    var limits = VpParseAll(VpTextOf(sensor.limit), kind);
    var shownLimits = [];
    for (var k0 = 0; k0 < limits.length; k0++) shownLimits.push(VpShowValue(kind, limits[k0], f));
    var scale = VpScale(kind, lo, hi, shownLimits, f);
    var ymin = scale.low, ymax = scale.high;
    var pad = 3;
    function X(t) { return (t - t0) / VP_SPAN_MS * (w - 4) + 1; }
    function Y(v) { return h - pad - (v - ymin) / (ymax - ymin) * (h - 2 * pad); }

    var warn = !!sensor.warn;
    var line = warn ? '#ff5c66' : (kind === 'Temp' ? '#f3a64a' : (kind === 'Fan' ? '#3ecf8e' : '#2fb3e0'));

    // Limits: volts have a window, temperatures a ceiling, fans a floor.
    ctx.setLineDash([3, 3]);
    ctx.strokeStyle = 'rgba(255,92,102,0.55)';
    for (var k = 0; k < shownLimits.length; k++) {
        var lv = shownLimits[k];
        if (lv <= ymin || lv >= ymax) continue;
        var ly = Math.round(Y(lv)) + 0.5;
        ctx.beginPath(); ctx.moveTo(0, ly); ctx.lineTo(w, ly); ctx.stroke();
    }
    ctx.setLineDash([]);

    // Runs of readings, broken at "Disable"/"N/A" and at silences.
    var runs = [], run = [], prevT = null;
    for (var j = 0; j < list.length; j++) {
        var q = list[j];
        if (q.t < t0) continue;
        if (q.v === null || (prevT !== null && q.t - prevT > VP_GAP_MS)) {
            if (run.length) runs.push(run);
            run = [];
        }
        if (q.v !== null) run.push([X(q.t), Y(VpShowValue(kind, q.v, f))]);
        prevT = q.t;
    }
    if (run.length) runs.push(run);

    var grad = ctx.createLinearGradient(0, 0, 0, h);
    grad.addColorStop(0, warn ? 'rgba(255,92,102,0.35)' : VpAlpha(line, 0.30));
    grad.addColorStop(1, 'rgba(0,0,0,0)');
    for (var a = 0; a < runs.length; a++) {
        var pts = runs[a];
        if (pts.length === 1) pts = [[pts[0][0] - 1.5, pts[0][1]], [pts[0][0], pts[0][1]]];
        ctx.beginPath();
        ctx.moveTo(pts[0][0], h);
        for (var b = 0; b < pts.length; b++) ctx.lineTo(pts[b][0], pts[b][1]);
        ctx.lineTo(pts[pts.length - 1][0], h);
        ctx.closePath();
        ctx.fillStyle = grad;
        ctx.fill();
        ctx.beginPath();
        for (var d = 0; d < pts.length; d++) {
            if (d) ctx.lineTo(pts[d][0], pts[d][1]); else ctx.moveTo(pts[d][0], pts[d][1]);
        }
        ctx.strokeStyle = line;
        ctx.lineWidth = 1.5;
        ctx.lineJoin = 'round';
        ctx.stroke();
    }
    var lastRun = runs.length ? runs[runs.length - 1] : null;
    if (lastRun) {
        var e = lastRun[lastRun.length - 1];
        ctx.fillStyle = line;
        ctx.beginPath(); ctx.arc(e[0], e[1], 2.2, 0, Math.PI * 2); ctx.fill();
    }
    var unit = VpUnit(kind, f);
    c.title = 'Last 10 minutes: min ' + VpFmt(kind, lo) + unit + ', max ' + VpFmt(kind, hi) + unit +
        '. Click for a larger graph.';
    if (s.hover && s.hover.sensor === sensor) VpDrawPointer(ctx, sensor, list, f, w, h, X, Y, t0);
}

// The reading nearest the pointer: a thin line there and its value and time.
function VpDrawPointer(ctx, sensor, list, f, w, h, X, Y, t0) {
    var best = null, bestD = Infinity;
    for (var i = 0; i < list.length; i++) {
        var p = list[i];
        if (p.t < t0 || p.v === null) continue;
        var d = Math.abs(X(p.t) - sensor.hoverX);
        if (d < bestD) { bestD = d; best = p; }
    }
    if (!best || bestD > 8) return;
    var x = Math.round(X(best.t)) + 0.5;
    ctx.strokeStyle = 'rgba(255,255,255,0.45)';
    ctx.lineWidth = 1;
    ctx.beginPath(); ctx.moveTo(x, 0); ctx.lineTo(x, h); ctx.stroke();
    var v = VpShowValue(sensor.kind, best.v, f);
    var label = VpFmt(sensor.kind, v) + VpUnit(sensor.kind, f) + '  ' + VpClock(best.t);
    ctx.font = '10px sans-serif';
    var tw = ctx.measureText(label).width + 6;
    var lx = x + 4 + tw > w ? x - 4 - tw : x + 4;
    ctx.fillStyle = 'rgba(10,14,20,0.85)';
    ctx.fillRect(lx, 1, tw, 13);
    ctx.fillStyle = '#e8eef4';
    ctx.fillText(label, lx + 3, 11);
    sensor.row.setAttribute('data-pointer', label);
}

function VpClock(t) {
    var d = new Date(t);
    function two(n) { return (n < 10 ? '0' : '') + n; }
    return two(d.getHours()) + ':' + two(d.getMinutes()) + ':' + two(d.getSeconds());
}

// The vertical scale: at least the limit band (a voltage's window, a temperature's ceiling, a
// fan's floor) or a minimum span per kind, so one step of the chip's resolution never fills the
// graph. The program's large graph follows the same rule.
function VpScale(kind, lo, hi, limits, fahrenheit) {
    var low = Infinity, high = -Infinity;
    function take(v) { if (isFinite(v)) { if (v < low) low = v; if (v > high) high = v; } }
    if (lo <= hi) { take(lo); take(hi); }
    var minSpan = kind === 'Volt' ? 1 : (kind === 'Temp' ? 20 : 1000);
    if (kind === 'Temp' && fahrenheit) minSpan *= 1.8;
    var usable = [];
    for (var i = 0; i < limits.length; i++) {
        if (kind === 'Volt' || limits[i] > 0) usable.push(limits[i]);
    }
    if (kind === 'Volt' && usable.length === 2 && usable[0] === 0 && usable[1] === 0) usable = [];
    for (var j = 0; j < usable.length; j++) take(usable[j]);
    if (low > high) low = high = 0;
    if (high - low < minSpan) {
        var mid = (low + high) / 2;
        low = mid - minSpan / 2;
        high = mid + minSpan / 2;
        if (kind === 'Fan' && low < 0) { high -= low; low = 0; }
    }
    var margin = (high - low) * 0.08;
    return { low: low - margin, high: high + margin };
}

// Pointer and click on a small graph: the reading under the pointer; a click asks the program
// for the large graph of that sensor.
function VpHookCanvas(sensor) {
    var c = sensor.canvas;
    if (!c || c.__vpHooked) return;
    c.__vpHooked = true;
    c.style.cursor = 'pointer';
    c.addEventListener('mousemove', function (e) {
        var s = VpState(), cur = VpSensorOf(c);
        if (!cur) return;
        cur.hoverX = e.offsetX;
        s.hover = { sensor: cur };
        try { VpDraw(s, cur); } catch (err) {}
    });
    c.addEventListener('mouseleave', function () {
        var s = VpState(), cur = VpSensorOf(c);
        s.hover = null;
        if (cur) { cur.row.removeAttribute('data-pointer'); try { VpDraw(s, cur); } catch (err) {} }
    });
    c.addEventListener('click', function () {
        var cur = VpSensorOf(c);
        if (cur) console.log('vornpilot:GRAPH:' + cur.key);
    });
}

function VpSensorOf(canvas) {
    var s = VpState();
    for (var i = 0; i < s.sensors.length; i++) {
        if (s.sensors[i].canvas === canvas) return s.sensors[i];
    }
    return null;
}

function VpAlpha(hex, a) {
    var n = parseInt(hex.slice(1), 16);
    return 'rgba(' + ((n >> 16) & 255) + ',' + ((n >> 8) & 255) + ',' + (n & 255) + ',' + a + ')';
}
