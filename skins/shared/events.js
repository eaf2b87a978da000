// Category switching and the skin events. The program calls the functions
// named in SkinDefine.xml's CALL attributes by name, so they stay top-level
// function declarations. Every handler swallows its own errors: one missing
// element must not stop the page.

var VP_CATEGORIES = ['VOLT', 'TEMP', 'FAN'];

// Shows one category's section; the tab buttons themselves are the program's.
function VpShow(cat) {
    try {
        var s = VpState();
        s.shown = cat;
        var sections = document.querySelectorAll('.vp-section');
        for (var i = 0; i < sections.length; i++) {
            var on = sections[i].getAttribute('data-cat') === cat;
            sections[i].style.display = on ? '' : 'none';
        }
        VpScrollCues();
        VpDrawShown();
    } catch (e) {}
    return true;
}

function ShowVolt() { return VpShow('VOLT'); }
function ShowTemp() { return VpShow('TEMP'); }
function ShowFan() { return VpShow('FAN'); }

// Turns a category's headings (its section title and its chip in the status
// panel) red while it has a sensor in warning.
function VpMark(cat, warn) {
    try {
        var s = VpState();
        s.warn[cat] = !!warn;
        var heads = document.querySelectorAll('.vp-cat[data-cat="' + cat + '"]');
        for (var i = 0; i < heads.length; i++) VpClass(heads[i], 'vp-cat-warn', warn);
    } catch (e) {}
    return true;
}

function OnNormalEvent() {
    for (var i = 0; i < VP_CATEGORIES.length; i++) VpMark(VP_CATEGORIES[i], false);
    return true;
}
function OnTempWarn() { return VpMark('TEMP', true); }
function OnTempNormal() { return VpMark('TEMP', false); }
function OnVoltWarn() { return VpMark('VOLT', true); }
function OnVoltNormal() { return VpMark('VOLT', false); }
function OnFanWarn() { return VpMark('FAN', true); }
function OnFanNormal() { return VpMark('FAN', false); }

// A list longer than its panel scrolls: by the wheel, by dragging its thumb, or by a click on
// the thumb's track (a page at a time). The thumb and the fade at the bottom show there is more.
function VpScrollCue(section) {
    var rows = VpFind(section, 'vp-rows');
    var track = VpFind(section, 'vp-scroll');
    var thumb = track ? VpFind(track, 'vp-thumb') : null;
    if (!rows) return;
    var range = rows.scrollHeight - rows.clientHeight;
    var scrolls = rows.clientHeight > 0 && range > 1;
    VpClass(section, 'vp-scrolls', scrolls);
    VpClass(section, 'vp-more-below', scrolls && rows.scrollTop < range - 1);
    if (!scrolls || !thumb) return;
    var height = track.clientHeight;
    var size = Math.max(24, Math.round(height * rows.clientHeight / rows.scrollHeight));
    thumb.style.height = size + 'px';
    thumb.style.top = Math.round((height - size) * rows.scrollTop / range) + 'px';
}

function VpScrollCues() {
    var sections = document.querySelectorAll('.vp-section');
    for (var i = 0; i < sections.length; i++) {
        try { VpScrollCue(sections[i]); } catch (e) {}
    }
}

function VpHookScroll(section) {
    var rows = VpFind(section, 'vp-rows');
    var track = VpFind(section, 'vp-scroll');
    var thumb = track ? VpFind(track, 'vp-thumb') : null;
    if (!rows || rows.__vpHooked) return;
    rows.__vpHooked = true;
    rows.addEventListener('scroll', function () { VpScrollCue(section); });
    if (!thumb) return;
    track.addEventListener('mousedown', function (e) {
        e.preventDefault();
        if (e.target === thumb) {
            var s = VpState();
            s.scrollDrag = { rows: rows, track: track, thumb: thumb, y: e.clientY,
                             top: rows.scrollTop };
            VpClass(thumb, 'vp-dragged', true);
        } else {
            var up = e.clientY < thumb.getBoundingClientRect().top;
            rows.scrollTop += (up ? -1 : 1) * rows.clientHeight;
        }
    });
    var s = VpState();
    if (s.scrollListening) return;
    s.scrollListening = true;
    document.addEventListener('mousemove', function (e) {
        var d = VpState().scrollDrag;
        if (!d) return;
        var free = d.track.clientHeight - d.thumb.offsetHeight;
        var range = d.rows.scrollHeight - d.rows.clientHeight;
        if (free > 0) d.rows.scrollTop = d.top + (e.clientY - d.y) * range / free;
    });
    document.addEventListener('mouseup', function () {
        var st = VpState();
        if (st.scrollDrag) VpClass(st.scrollDrag.thumb, 'vp-dragged', false);
        st.scrollDrag = null;
    });
}

// Runs when the skin's script is put into the page: the page content is
// already there. If it is not (yet), look again a few times.
function VpStart() {
    var s = VpState();
    var found = 0;
    try { found = VpBind(); } catch (e) {}
    if (!found && s.retries < 20) {
        s.retries++;
        setTimeout(VpStart, 250);
        return;
    }
    s.retries = 0;
    var sections = document.querySelectorAll('.vp-section');
    for (var j = 0; j < sections.length; j++) {
        try { VpHookScroll(sections[j]); } catch (e) {}
    }
    // The program checks the "VOLT" tab after every skin load.
    VpShow('VOLT');
    for (var i = 0; i < VP_CATEGORIES.length; i++) {
        if (s.warn[VP_CATEGORIES[i]]) VpMark(VP_CATEGORIES[i], true);
    }
    try { VpSample(); } catch (e) {}
}

VpStart();
