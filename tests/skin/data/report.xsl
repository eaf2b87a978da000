<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" omit-xml-declaration="yes"/>
  <xsl:template match="/VORNPILOT">
    <xsl:for-each select="TEMP/ITEM">
      <span id="{NAME}_Temp_Value"><xsl:value-of select="VALUE"/></span>
    </xsl:for-each>
  </xsl:template>
</xsl:stylesheet>
