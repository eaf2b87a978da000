<?xml version="1.0" encoding="UTF-8"?>
<!-- Turns the sensor report into the page of the default skin (500 x 640).
     Positions match the panels drawn into bg.bmp (skins/tools/make_bitmaps.py).
     The root is fixed at the window's corner so nothing the program puts
     before the body can shift it. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" indent="no"/>

<!-- A table with long names (a machine's hwmon sensors: "coretemp Package id 0") gives the
     names the room of a narrower graph. -->
<xsl:variable name="longNames" select="count(/VORNPILOT/*/ITEM[string-length(NAME) &gt; 16]) &gt; 0"/>

<xsl:template match="/">
<style type="text/css">
html, body { margin: 0; padding: 0; overflow: hidden; }
#vp-root { position: fixed; left: 0; top: 0; width: 500px; height: 640px; overflow: hidden;
  font-family: "DejaVu Sans", "Segoe UI", "Helvetica Neue", Arial, sans-serif;
  font-size: 12px; color: #e6edf3; cursor: default;
  -webkit-user-select: none; user-select: none; }
img { pointer-events: none; }
#MOVESIZE { position: absolute; left: 0; top: 0; width: 500px; height: 56px; cursor: move; }
.vp-title { position: absolute; left: 56px; top: 12px; font-size: 17px; font-weight: bold;
  letter-spacing: 3px; color: #eef3f8; }
.vp-subtitle { position: absolute; left: 57px; top: 34px; font-size: 10px; letter-spacing: 0.4px; color: #7f8ea1;
  max-width: 320px; overflow: hidden; text-overflow: ellipsis; white-space: nowrap; }

.vp-section { position: absolute; left: 16px; top: 112px; width: 468px; height: 346px; }
.vp-grid { display: grid; grid-template-columns: 10px 1fr 124px 84px 60px; column-gap: 8px;
  align-items: center; padding: 0 12px; }
.vp-headrow { height: 30px; font-size: 9.5px; letter-spacing: 1px; color: #6c7a8c;
  text-transform: uppercase; border-bottom: 1px solid #222c39; }
.vp-headrow .vp-cat { grid-column: 1 / span 2; font-size: 11px; font-weight: bold;
  letter-spacing: 1.5px; color: #cfd9e4; white-space: nowrap; }
.vp-cap-g { text-align: right; }
.vp-count { font-weight: normal; letter-spacing: 0.5px; color: #6c7a8c; text-transform: none; margin-left: 6px; }
.vp-cap-r { text-align: right; }
.vp-rows { position: absolute; left: 0; right: 0; top: 31px; bottom: 4px; overflow-y: auto; }
.vp-row { height: 31px; box-sizing: border-box; border-bottom: 1px solid rgba(255,255,255,0.035); }
.vp-row:last-child { border-bottom: 0; }
.vp-roomy .vp-row { height: 50px; }
.vp-roomy .vp-name { font-size: 14px; line-height: 18px; }
.vp-roomy .vp-limit { font-size: 10.5px; }
.vp-roomy .vp-value { font-size: 17px; }
.vp-dot { width: 8px; height: 8px; border-radius: 50%; background: #3a4657; }
.vp-row-ok .vp-dot { background: #3ecf8e; box-shadow: 0 0 5px rgba(62,207,142,0.55); }
.vp-row-warn .vp-dot { background: #ff5c66; box-shadow: 0 0 6px rgba(255,92,102,0.8); }
.vp-label { min-width: 0; overflow: hidden; white-space: nowrap; line-height: 14px; }
.vp-name { font-size: 12.5px; color: #e6edf3; overflow: hidden; text-overflow: ellipsis; }
.vp-limit { font-size: 9.5px; color: #6f7e91; margin-top: 1px; }
.vp-row[data-kind="Temp"] .vp-limit::before { content: "max "; }
.vp-row[data-kind="Fan"] .vp-limit::before { content: "min "; }
.vp-graph { display: block; border-radius: 3px; background: rgba(255,255,255,0.025); }
.vp-value { text-align: right; white-space: nowrap; font-size: 14px; font-weight: bold; color: #f2f6fa; }
.vp-value font[color] { color: #ff5c66; }
.vp-status { justify-self: end; font-size: 9.5px; font-weight: bold; letter-spacing: 0.5px;
  padding: 2px 6px; border-radius: 8px; color: #6f7e91; white-space: nowrap; }
.vp-status font[color] { color: inherit; }
.vp-row-ok .vp-status { color: #3ecf8e; background: rgba(62,207,142,0.10); }
.vp-row-warn .vp-status { color: #ffffff; background: #d6454e; }
.vp-row-warn .vp-name { color: #ff8a92; }
.vp-row-off .vp-name, .vp-row-off .vp-value { color: #5d6b7c; }
.vp-row-off .vp-value { font-weight: normal; font-size: 12px; }

.vp-cat { transition: color 0.2s; }
.vp-cat-warn, .vp-headrow .vp-cat-warn { color: #ff5c66; }

#vp-status { position: absolute; left: 16px; top: 466px; width: 468px; height: 122px; }
#WarningText { position: absolute; left: 12px; top: 10px; min-width: 64px; text-align: center;
  font-size: 10.5px; font-weight: bold; letter-spacing: 2px; line-height: 20px; padding: 0 10px;
  border-radius: 10px; color: #3ecf8e; background: rgba(62,207,142,0.12); }
#WarningText font { background: none !important; color: inherit !important; }
#PowerOffText { position: absolute; left: 12px; right: 12px; bottom: 8px; text-align: center;
  font-size: 13px; font-weight: bold; letter-spacing: 1px; line-height: 24px; border-radius: 12px;
  color: #ffffff; background: #d6454e; }
#PowerOffText:empty { display: none; }
.vp-root-blind #WarningItems:empty::before { content: "Some readings are not current: the values shown are the last ones read."; color: #ffb347; }
#WarningText.vp-blind { color: #ffb347; background: rgba(255,179,71,0.14); }
.vp-row-stale .vp-dot { background: #ffb347; box-shadow: 0 0 5px rgba(255,179,71,0.55); }
.vp-row-stale .vp-value { color: #ffb347; }
.vp-row-stale .vp-status { color: #ffb347; background: rgba(255,179,71,0.12); }
#WarningText.vp-alarm { color: #ff5c66; background: transparent; box-shadow: inset 0 0 0 1px #ff5c66; }
#WarningText.vp-alarm-lit { color: #ffffff; background: #d6454e; box-shadow: none; }
.vp-chips { position: absolute; right: 12px; top: 10px; line-height: 20px; font-size: 10.5px; }
.vp-chip { display: inline-block; margin-left: 6px; padding: 0 9px; border-radius: 10px;
  background: rgba(255,255,255,0.04); color: #9aa8b9; }
.vp-chip::before { content: ""; display: inline-block; width: 6px; height: 6px; border-radius: 50%;
  background: #3ecf8e; margin-right: 6px; vertical-align: 1px; }
.vp-root-none .vp-chip::before { background: #5f6d7e; }
.vp-chip.vp-cat-warn { color: #ffffff; background: rgba(214,69,78,0.85); }
.vp-chip.vp-cat-warn::before { background: #ffffff; }
#WarningItems { position: absolute; left: 12px; right: 8px; top: 40px; bottom: 9px; overflow-y: auto;
  font-size: 11px; line-height: 15px; color: #c9d3de; padding-right: 4px; }
#WarningItems font { color: #ff8a92; }
#WarningItems > font { display: block; column-count: 2; column-gap: 24px; }
#WarningItems hr { border: 0; border-top: 1px solid rgba(255,92,102,0.35); margin: 2px 0 3px 0; height: 0; }
#WarningItems:empty::before { content: "All sensors are within their limits."; color: #5f6d7e; }
/* A long list scrolls by the wheel or its own thumb (the page engine draws no scrollbars). */
.vp-scroll { display: none; position: absolute; right: 2px; top: 33px; bottom: 6px; width: 6px; }
.vp-scrolls .vp-scroll { display: block; }
.vp-thumb { position: absolute; left: 0; right: 0; top: 0; min-height: 24px; border-radius: 3px;
  background: rgba(255,255,255,0.22); }
.vp-thumb:hover, .vp-thumb.vp-dragged { background: rgba(255,255,255,0.4); }
.vp-more-below .vp-rows { -webkit-mask-image: linear-gradient(to bottom, #000 88%, transparent); }
.vp-rows:empty::before { content: attr(data-none) "."; display: block; padding: 14px 12px;
  color: #5f6d7e; }
.vp-long-names .vp-grid { grid-template-columns: 10px 1fr 76px 84px 60px; }
.vp-long-names .vp-cap-g { white-space: nowrap; letter-spacing: 0.5px; }
::-webkit-scrollbar { width: 6px; }
::-webkit-scrollbar-thumb { background: rgba(255,255,255,0.14); border-radius: 3px; }
::-webkit-scrollbar-track { background: transparent; }
</style>
<div id="vp-root">
  <xsl:if test="$longNames"><xsl:attribute name="class">vp-long-names</xsl:attribute></xsl:if>
  <div id="MOVESIZE">
    <div class="vp-title">VORNPILOT</div>
    <div class="vp-subtitle">Hardware monitor &#183; <xsl:choose>
      <xsl:when test="VORNPILOT/DEVICES/DEVICE"><xsl:for-each select="VORNPILOT/DEVICES/DEVICE">
        <xsl:if test="position() &gt; 1">, </xsl:if><xsl:value-of select="."/></xsl:for-each></xsl:when>
      <xsl:when test="VORNPILOT/DEVICES">no sensors found</xsl:when>
      <xsl:otherwise>W83627EHF</xsl:otherwise></xsl:choose></div>
  </div>
  <xsl:apply-templates select="VORNPILOT/VOLT">
    <xsl:with-param name="cat" select="'VOLT'"/>
    <xsl:with-param name="kind" select="'Volt'"/>
    <xsl:with-param name="title" select="'Voltages'"/>
    <xsl:with-param name="none" select="'voltage'"/>
  </xsl:apply-templates>
  <xsl:apply-templates select="VORNPILOT/TEMP">
    <xsl:with-param name="cat" select="'TEMP'"/>
    <xsl:with-param name="kind" select="'Temp'"/>
    <xsl:with-param name="title" select="'Temperatures'"/>
    <xsl:with-param name="none" select="'temperature'"/>
  </xsl:apply-templates>
  <xsl:apply-templates select="VORNPILOT/FAN">
    <xsl:with-param name="cat" select="'FAN'"/>
    <xsl:with-param name="kind" select="'Fan'"/>
    <xsl:with-param name="title" select="'Fans'"/>
    <xsl:with-param name="none" select="'fan'"/>
  </xsl:apply-templates>
  <div id="vp-status">
    <div id="WarningText">NORMAL</div>
    <div class="vp-chips">
      <span class="vp-chip vp-cat" data-cat="VOLT">Voltage</span>
      <span class="vp-chip vp-cat" data-cat="TEMP">Temperature</span>
      <span class="vp-chip vp-cat" data-cat="FAN">Fans</span>
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
  <xsl:param name="none"/>
  <xsl:variable name="roomy" select="count(ITEM) &lt;= 6"/>
  <div data-cat="{$cat}">
    <xsl:attribute name="class">vp-section<xsl:if test="$roomy"> vp-roomy</xsl:if></xsl:attribute>
    <xsl:if test="$cat != 'VOLT'"><xsl:attribute name="style">display:none</xsl:attribute></xsl:if>
    <div class="vp-grid vp-headrow">
      <div class="vp-cat" data-cat="{$cat}"><xsl:value-of select="$title"/>
        <span class="vp-count"><xsl:value-of select="count(ITEM)"/> sensors</span></div>
      <div class="vp-cap-g">Last 10 min</div>
      <div class="vp-cap-r">Reading</div>
      <div class="vp-cap-r">State</div>
    </div>
    <div class="vp-rows" data-none="No {$none} sensors">
      <xsl:for-each select="ITEM">
        <div class="vp-grid vp-row" data-cat="{$cat}" data-kind="{$kind}" data-name="{NAME}">
          <div class="vp-dot"></div>
          <div class="vp-label" title="{NAME}">
            <div class="vp-name"><xsl:value-of select="NAME"/></div>
            <div class="vp-limit" id="{NAME}_{$kind}_Limit"><xsl:value-of select="LIMIT"/></div>
          </div>
          <canvas class="vp-graph">
            <xsl:attribute name="width"><xsl:choose><xsl:when test="$longNames">76</xsl:when><xsl:otherwise>124</xsl:otherwise></xsl:choose></xsl:attribute>
            <xsl:attribute name="height"><xsl:choose><xsl:when test="$roomy">40</xsl:when><xsl:otherwise>26</xsl:otherwise></xsl:choose></xsl:attribute>
          </canvas>
          <div class="vp-value" id="{NAME}_{$kind}_Value"><xsl:value-of select="VALUE"/></div>
          <div class="vp-status" id="{NAME}_{$kind}_Status"></div>
        </div>
      </xsl:for-each>
    </div>
    <div class="vp-scroll"><div class="vp-thumb"></div></div>
  </div>
</xsl:template>

</xsl:stylesheet>
