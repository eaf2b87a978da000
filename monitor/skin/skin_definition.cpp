#include "skin_definition.h"

#include <set>

#include "ini_file.h"
#include "xml_document.h"

namespace {

constexpr const char* SKIN = "VORNSKINDEFINE/SKIN";

class CReader {
  public:
    CReader(const CXmlDocument& doc, SSkinDefinition& out) : m_doc(doc), m_out(out) {}

    std::string Attr(const std::string& path, int parentIndex, int childIndex, const char* name) {
        std::string value;
        m_doc.GetAttribute(path, parentIndex, childIndex, name, value);
        if (value.size() > MAX_SKIN_ATTRIBUTE) {
            // The format allows no more; cut on a character boundary and say so.
            size_t cut = MAX_SKIN_ATTRIBUTE;
            while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
                --cut;
            value.resize(cut);
            m_out.problems.push_back(path + " " + name + ": longer than 255 characters, cut");
        }
        return value;
    }

    void Button(const std::string& path, int parentIndex, int childIndex, bool script,
                bool allowCheck, int group) {
        if (!Room(static_cast<int>(m_out.buttons.size()), MAX_SKIN_BUTTONS, "BUTTON"))
            return;
        SSkinButtonDef b;
        b.id = Attr(path, parentIndex, childIndex, "ID");
        if (script)
            b.call = Attr(path, parentIndex, childIndex, "CALL");
        b.image = Attr(path, parentIndex, childIndex, "IMAGE");
        b.downImage = Attr(path, parentIndex, childIndex, "DOWNIMAGE");
        b.overImage = Attr(path, parentIndex, childIndex, "OVERIMAGE");
        b.disableImage = Attr(path, parentIndex, childIndex, "DISABLEIMAGE");
        b.maskImage = Attr(path, parentIndex, childIndex, "MASKIMAGE");
        b.x = SkinInt(Attr(path, parentIndex, childIndex, "X"));
        b.y = SkinInt(Attr(path, parentIndex, childIndex, "Y"));
        b.width = SkinInt(Attr(path, parentIndex, childIndex, "WIDTH"));
        b.height = SkinInt(Attr(path, parentIndex, childIndex, "HEIGHT"));
        b.tip = Attr(path, parentIndex, childIndex, "TIP");
        b.script = script;
        b.check = allowCheck && Attr(path, parentIndex, childIndex, "CHECKBOX") == "TRUE";
        b.group = group;
        m_out.buttons.push_back(std::move(b));
    }

    void Groups(const std::string& kindPath, bool script) {
        const std::string groupPath = kindPath + "/GROUP";
        const std::string buttonPath = groupPath + "/BUTTON";
        const int groups = m_doc.Count(groupPath);
        for (int g = 0; g < groups; ++g) {
            const int group = m_nextGroup++;
            // A group's buttons are its child nodes. A child that is not an element (a
            // comment) is no button.
            const int children = m_doc.ChildCount(buttonPath, g);
            for (int c = 0; c < children; ++c) {
                std::string probe;
                if (m_doc.GetAttribute(buttonPath, g, c, "ID", probe))
                    Button(buttonPath, g, c, script, false, group);
            }
        }
    }

    void Ungrouped(const std::string& kindPath, bool script) {
        const std::string path = kindPath + "/BUTTON";
        const int count = m_doc.Count(path);
        for (int i = 0; i < count; ++i)
            Button(path, 0, i, script, true, -1);
    }

    // Whether one more element of the kind may be taken; says once when one may not.
    bool Room(int taken, int most, const std::string& kind) {
        if (taken < most)
            return true;
        if (m_full.insert(kind).second)
            m_out.problems.push_back("more than " + std::to_string(most) + " " + kind +
                                     " elements: only the first are used");
        return false;
    }

  private:
    const CXmlDocument& m_doc;
    SSkinDefinition& m_out;
    int m_nextGroup = 0;
    std::set<std::string> m_full;
};

}  // namespace

int SkinInt(const std::string& text) {
    return CIniFile::ParseInt(text);
}

SSkinDefinition ReadSkinDefinition(const CXmlDocument& document) {
    SSkinDefinition def;
    CReader r(document, def);
    const std::string skin = SKIN;
    def.background = r.Attr(skin, 0, 0, "BACKGROUND");
    def.xsl = r.Attr(skin + "/XSL", 0, 0, "SRC");
    const int images = document.Count(skin + "/IMAGE");
    for (int i = 0; i < images && r.Room(i, MAX_SKIN_IMAGES, "IMAGE"); ++i) {
        const std::string path = skin + "/IMAGE";
        def.images.push_back({r.Attr(path, 0, i, "ID"), r.Attr(path, 0, i, "SRC"),
                              SkinInt(r.Attr(path, 0, i, "X")), SkinInt(r.Attr(path, 0, i, "Y")),
                              SkinInt(r.Attr(path, 0, i, "Z"))});
    }
    const int scripts = document.Count(skin + "/JAVASCRIPT");
    for (int i = 0; i < scripts && r.Room(i, MAX_SKIN_SCRIPTS, "JAVASCRIPT"); ++i)
        def.scripts.push_back(r.Attr(skin + "/JAVASCRIPT", 0, i, "SRC"));
    r.Groups(skin + "/NORMALBUTTON", false);
    r.Ungrouped(skin + "/NORMALBUTTON", false);
    r.Groups(skin + "/JSBUTTON", true);
    r.Ungrouped(skin + "/JSBUTTON", true);
    return def;
}
