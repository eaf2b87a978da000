<?xml version="1.0" encoding="UTF-8"?>
<!-- Turns the sensor report into the page of the compact skin (300 x 416).
     Positions match the panels drawn into bg.bmp (skins/tools/make_bitmaps.py).
     The status element of each row is drawn as its coloured dot. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" indent="no"/>

<xsl:template match="/">
<style type="text/css">
html, body { margin: 0; padding: 0; overflow: hidden; }
#vp-root { position: fixed; left: 0; top: 0; width: 300px; height: 416px; overflow: hidden;
  font-family: "DejaVu Sans", "Segoe UI", "Helvetica Neue", Arial, sans-serif;
  font-size: 11px; color: #e6edf3; cursor: default;
  -webkit-user-select: none; user-select: none; }
img { pointer-events: none; }
#MOVESIZE { position: absolute; left: 0; top: 0; width: 300px; height: 32px; cursor: move; }
.vp-title { position: absolute; left: 12px; top: 9px; font-size: 12px; font-weight: bold;
  letter-spacing: 2.5px; color: #eef3f8; }
.vp-title b { color: #2fb3e0; font-weight: bold; }

.vp-section { position: absolute; left: 8px; top: 68px; width: 284px; height: 256px; }
.vp-grid { display: grid; grid-template-columns: 7px 1fr 64px 70px; column-gap: 6px;
  align-items: center; padding: 0 8px; }
.vp-headrow { height: 20px; font-size: 8.5px; letter-spacing: 0.8px; color: #6c7a8c;
  text-transform: uppercase; border-bottom: 1px solid #222c39; }
.vp-headrow .vp-cat { grid-column: 1 / span 2; font-size: 9.5px; font-weight: bold;
  letter-spacing: 1.2px; color: #cfd9e4; white-space: nowrap; }
.vp-count { font-weight: normal; letter-spacing: 0.3px; color: #6c7a8c; text-transform: none; margin-left: 4px; }
.vp-cap-r { text-align: right; }
.vp-rows { position: absolute; left: 0; right: 0; top: 21px; bottom: 3px; overflow-y: auto; }
/* A long list scrolls by the wheel or its own thumb (the page engine draws no scrollbars). */
.vp-scroll { display: none; position: absolute; right: 1px; top: 23px; bottom: 4px; width: 4px; }
.vp-scrolls .vp-scroll { display: block; }
.vp-thumb { position: absolute; left: 0; right: 0; top: 0; min-height: 16px; border-radius: 2px;
  background: rgba(255,255,255,0.22); }
.vp-thumb:hover, .vp-thumb.vp-dragged { background: rgba(255,255,255,0.4); }
.vp-row { height: 23px; box-sizing: border-box; border-bottom: 1px solid rgba(255,255,255,0.035); }
.vp-row:last-child { border-bottom: 0; }
.vp-roomy .vp-row { height: 38px; }
.vp-status { width: 7px; height: 7px; border-radius: 50%; background: #3a4657;
  font-size: 0; line-height: 0; overflow: hidden; color: transparent; }
.vp-status font { color: transparent; }
.vp-row-ok .vp-status { background: #3ecf8e; }
.vp-row-warn .vp-status { background: #ff5c66; box-shadow: 0 0 5px rgba(255,92,102,0.8); }
.vp-label { min-width: 0; overflow: hidden; white-space: nowrap; }
.vp-name { font-size: 11px; line-height: 12px; color: #e6edf3; overflow: hidden; text-overflow: ellipsis; }
.vp-limit { font-size: 8px; line-height: 9px; color: #6f7e91; }
.vp-roomy .vp-name { font-size: 12px; line-height: 15px; }
.vp-roomy .vp-limit { font-size: 9px; line-height: 12px; }
.vp-row[data-kind="Temp"] .vp-limit::before { content: "max "; }
.vp-row[data-kind="Fan"] .vp-limit::before { content: "min "; }
.vp-graph { display: block; border-radius: 2px; background: rgba(255,255,255,0.025); }
.vp-value { text-align: right; white-space: nowrap; font-size: 12px; font-weight: bold; color: #f2f6fa; }
.vp-roomy .vp-value { font-size: 13px; }
.vp-value font[color] { color: #ff5c66; }
.vp-row-warn .vp-name { color: #ff8a92; }
.vp-row-off .vp-name, .vp-row-off .vp-value { color: #5d6b7c; font-weight: normal; }

.vp-cat-warn, .vp-headrow .vp-cat-warn { color: #ff5c66; }

#vp-status { position: absolute; left: 8px; top: 330px; width: 284px; height: 52px; }
#WarningText { position: absolute; left: 8px; top: 6px; min-width: 52px; text-align: center;
  font-size: 8.5px; font-weight: bold; letter-spacing: 1.5px; line-height: 15px; padding: 0 7px;
  border-radius: 8px; color: #3ecf8e; background: rgba(62,207,142,0.12); }
#WarningText font { background: none !important; color: inherit !important; }
#PowerOffText { position: absolute; left: 8px; right: 8px; bottom: 4px; text-align: center;
  font-size: 10px; font-weight: bold; letter-spacing: 1px; line-height: 17px; border-radius: 8px;
  color: #ffffff; background: #d6454e; }
#PowerOffText:empty { display: none; }
.vp-root-blind #WarningItems:empty::before { content: "Readings are not current."; color: #ffb347; }
#WarningText.vp-blind { color: #ffb347; background: rgba(255,179,71,0.14); }
.vp-row-stale .vp-value { color: #ffb347; }
.vp-row-stale .vp-status { background: #ffb347; }
#WarningText.vp-alarm { color: #ff5c66; background: transparent; box-shadow: inset 0 0 0 1px #ff5c66; }
#WarningText.vp-alarm-lit { color: #ffffff; background: #d6454e; box-shadow: none; }
.vp-chips { position: absolute; right: 8px; top: 6px; line-height: 15px; font-size: 8.5px; }
.vp-chip { display: inline-block; margin-left: 3px; padding: 0 6px; border-radius: 8px;
  background: rgba(255,255,255,0.04); color: #9aa8b9; }
.vp-chip.vp-cat-warn { color: #ffffff; background: rgba(214,69,78,0.85); }
#WarningItems { position: absolute; left: 8px; right: 6px; top: 25px; bottom: 4px; overflow-y: auto;
  font-size: 9px; line-height: 11px; color: #c9d3de; }
#WarningItems font { color: #ff8a92; }
#WarningItems > font { display: block; column-count: 2; column-gap: 12px; }
#WarningItems hr { display: none; }
#WarningItems:empty::before { content: "All sensors within limits."; color: #5f6d7e; }
::-webkit-scrollbar { width: 4px; }
::-webkit-scrollbar-thumb { background: rgba(255,255,255,0.14); border-radius: 2px; }
::-webkit-scrollbar-track { background: transparent; }
</style>
<div id="vp-root">
  <div id="MOVESIZE"><div class="vp-title"><b>&#9679;</b> VORNPILOT</div></div>
  <xsl:apply-templates select="VORNPILOT/VOLT">
    <xsl:with-param name="cat" select="'VOLT'"/>
    <xsl:with-param name="kind" select="'Volt'"/>
    <xsl:with-param name="title" select="'Voltages'"/>
  </xsl:apply-templates>
  <xsl:apply-templates select="VORNPILOT/TEMP">
    <xsl:with-param name="cat" select="'TEMP'"/>
    <xsl:with-param name="kind" select="'Temp'"/>
    <xsl:with-param name="title" select="'Temperatures'"/>
  </xsl:apply-templates>
  <xsl:apply-templates select="VORNPILOT/FAN">
    <xsl:with-param name="cat" select="'FAN'"/>
    <xsl:with-param name="kind" select="'Fan'"/>
    <xsl:with-param name="title" select="'Fans'"/>
  </xsl:apply-templates>
  <div id="vp-status">
    <div id="WarningText">NORMAL</div>
    <div class="vp-chips">
      <span class="vp-chip vp-cat" data-cat="VOLT">Volt</span>
      <span class="vp-chip vp-cat" data-cat="TEMP">Temp</span>
      <span class="vp-chip vp-cat" data-cat="FAN">Fan</span>
    </div>
    <div id="WarningItems"></div>
    <div id="PowerOffText"></div>
  </div>
</div>
</xsl:template>

<!-- One category: its heading and one row per item, with the three ids the
     program writes: <name>_<Kind>_Value, _Limit and _Status. -->
<xsl:template match="VOLT|TEMP|FAN">
  <xsl:param name="cat"/>
  <xsl:param name="kind"/>
  <xsl:param name="title"/>
  <xsl:variable name="roomy" select="count(ITEM) &lt;= 6"/>
  <div data-cat="{$cat}">
    <xsl:attribute name="class">vp-section<xsl:if test="$roomy"> vp-roomy</xsl:if></xsl:attribute>
    <xsl:if test="$cat != 'VOLT'"><xsl:attribute name="style">display:none</xsl:attribute></xsl:if>
    <div class="vp-grid vp-headrow">
      <div class="vp-cat" data-cat="{$cat}"><xsl:value-of select="$title"/>
        <span class="vp-count"><xsl:value-of select="count(ITEM)"/></span></div>
      <div class="vp-cap-r">10 min</div>
      <div class="vp-cap-r">Reading</div>
    </div>
    <div class="vp-rows">
      <xsl:for-each select="ITEM">
        <div class="vp-grid vp-row" data-cat="{$cat}" data-kind="{$kind}" data-name="{NAME}">
          <div class="vp-status" id="{NAME}_{$kind}_Status"></div>
          <div class="vp-label" title="{NAME}">
            <div class="vp-name"><xsl:value-of select="NAME"/></div>
            <div class="vp-limit" id="{NAME}_{$kind}_Limit"><xsl:value-of select="LIMIT"/></div>
          </div>
          <canvas class="vp-graph" width="64">
            <xsl:attribute name="height"><xsl:choose><xsl:when test="$roomy">28</xsl:when><xsl:otherwise>18</xsl:otherwise></xsl:choose></xsl:attribute>
          </canvas>
          <div class="vp-value" id="{NAME}_{$kind}_Value"><xsl:value-of select="VALUE"/></div>
        </div>
      </xsl:for-each>
    </div>
    <div class="vp-scroll"><div class="vp-thumb"></div></div>
  </div>
</xsl:template>

</xsl:stylesheet>
