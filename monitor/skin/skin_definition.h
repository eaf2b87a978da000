#pragma once
// The skin definition file read into plain values, in the order the loader uses them.

#include <string>
#include <vector>

class CXmlDocument;

struct SSkinImage {
    std::string id;
    std::string src;  // as written
    int x = 0;
    int y = 0;
    int z = 0;
};

struct SSkinButtonDef {
    std::string id;
    std::string call;                                                  // empty for plain buttons
    std::string image, downImage, overImage, disableImage, maskImage;  // as written
    std::string tip;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool script = false;  // a JSBUTTON
    bool check = false;   // ungrouped with CHECKBOX "TRUE"
    int group = -1;       // buttons of one GROUP element share a number; -1 ungrouped
};

struct SSkinDefinition {
    std::string background;
    std::string xsl;
    std::vector<SSkinImage> images;
    std::vector<std::string> scripts;
    // In creation order: plain groups, plain buttons, script groups, script buttons.
    std::vector<SSkinButtonDef> buttons;
    // What was wrong with the file, for the user: each names the element and attribute.
    std::vector<std::string> problems;
};

inline constexpr size_t MAX_SKIN_ATTRIBUTE = 255;
// Each becomes a widget or a page element: beyond these a skin would only slow the window down.
inline constexpr int MAX_SKIN_BUTTONS = 200;
inline constexpr int MAX_SKIN_IMAGES = 200;
inline constexpr int MAX_SKIN_SCRIPTS = 50;

// Reads a loaded definition; a document that did not parse yields an empty definition.
SSkinDefinition ReadSkinDefinition(const CXmlDocument& document);

// Decimal text with optional blanks and sign; anything else reads as 0.
int SkinInt(const std::string& text);
