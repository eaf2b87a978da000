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
    // The program checks the "VOLT" tab after every skin load.
    VpShow('VOLT');
    for (var i = 0; i < VP_CATEGORIES.length; i++) {
        if (s.warn[VP_CATEGORIES[i]]) VpMark(VP_CATEGORIES[i], true);
    }
    try { VpSample(); } catch (e) {}
}

VpStart();
