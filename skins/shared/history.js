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
        s = { version: 1, series: {}, sensors: [], observer: null, pending: 0,
              shown: 'VOLT', warn: {}, retries: 0 };
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

// Collects the sensor rows the stylesheet made and watches their value and
// status elements. Rows are found by class: item names hold spaces and "+",
// which ids allow but CSS selectors do not.
function VpBind() {
    var s = VpState();
    if (s.observer) { try { s.observer.disconnect(); } catch (e) {} }
    s.observer = null;
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
        s.sensors.push(sensor);
    }
    var watched = [];
    for (var j = 0; j < s.sensors.length; j++) {
        if (s.sensors[j].value) watched.push(s.sensors[j].value);
        if (s.sensors[j].status) watched.push(s.sensors[j].status);
    }
    var banner = VpById('WarningText');
    if (banner) watched.push(banner);
    if (window.MutationObserver && watched.length) {
        s.observer = new MutationObserver(VpOnMutation);
        for (var k = 0; k < watched.length; k++) {
            s.observer.observe(watched[k], { childList: true, characterData: true, subtree: true });
        }
    }
    return s.sensors.length;
}

// A 2-second update writes some 60 elements at once; sample once after the batch.
function VpOnMutation() {
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
    VpDrawShown();
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
    // STALE, NO READINGS, NO ITEMS: the program cannot vouch for what is shown.
    var blind = /STALE|NO READINGS|NO ITEMS/.test(text);
    VpClass(b, 'vp-alarm', alarm);
    VpClass(b, 'vp-alarm-lit', lit);
    VpClass(b, 'vp-blind', blind);
    VpClass(document.getElementById('vp-root'), 'vp-root-alarm', alarm);
    VpClass(document.getElementById('vp-root'), 'vp-root-blind', blind);
}

function VpDrawShown() {
    var s = VpState();
    for (var i = 0; i < s.sensors.length; i++) {
        var sensor = s.sensors[i];
        if (sensor.section && sensor.section !== s.shown) continue;
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
// the right edge, the scale follows the data (with a floor so noise stays
// flat) and a limit inside the scale shows as a dashed line.
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

    var floor = kind === 'Volt' ? 0.1 : (kind === 'Temp' ? 4 : 200);
    if (kind === 'Temp' && f) floor *= 1.8;
    var mid = (lo + hi) / 2, half = Math.max((hi - lo) / 2 * 1.2, floor / 2);
    var ymin = mid - half, ymax = mid + half;
    var pad = 3;
    function X(t) { return (t - t0) / VP_SPAN_MS * (w - 4) + 1; }
    function Y(v) { return h - pad - (v - ymin) / (ymax - ymin) * (h - 2 * pad); }

    var warn = !!sensor.warn;
    var line = warn ? '#ff5c66' : (kind === 'Temp' ? '#f3a64a' : (kind === 'Fan' ? '#3ecf8e' : '#2fb3e0'));

    // Limits: volts have a window, temperatures a ceiling, fans a floor.
    var limits = VpParseAll(VpTextOf(sensor.limit), kind);
    ctx.setLineDash([3, 3]);
    ctx.strokeStyle = 'rgba(255,92,102,0.55)';
    for (var k = 0; k < limits.length; k++) {
        var lv = VpShowValue(kind, limits[k], f);
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
    c.title = 'Last 10 minutes: min ' + VpFmt(kind, lo) + unit + ', max ' + VpFmt(kind, hi) + unit;
}

function VpAlpha(hex, a) {
    var n = parseInt(hex.slice(1), 16);
    return 'rgba(' + ((n >> 16) & 255) + ',' + ((n >> 8) & 255) + ',' + (n & 255) + ',' + a + ')';
}
