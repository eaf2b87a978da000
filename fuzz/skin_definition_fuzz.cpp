// What a downloaded skin hands the loader: its definition file read into values, file names
// joined to the skin folder, and the markup and script text the page index scans. Whatever the
// bytes, attributes stay within the format's 255 characters and no name resolves outside the
// skin folder.

#include <cstddef>
#include <cstdint>
#include <string>

#include "page_index.h"
#include "skin_definition.h"
#include "skin_paths.h"
#include "xml_document.h"

namespace {

void CheckName(const std::string& name) {
    if (name.size() > MAX_SKIN_ATTRIBUTE)
        __builtin_trap();
    const std::string folder = "/skins/x/";
    const std::string path = SkinFilePath(folder, name);
    if (!path.empty() && (path.compare(0, folder.size(), folder) != 0 || !IsSafeSkinName(name)))
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CXmlDocument doc;
    doc.LoadXml(text);
    const SSkinDefinition def = ReadSkinDefinition(doc);
    CheckName(def.background);
    CheckName(def.xsl);
    for (const SSkinImage& image : def.images)
        CheckName(image.src);
    for (const std::string& script : def.scripts)
        CheckName(script);
    for (const SSkinButtonDef& b : def.buttons) {
        for (const std::string* name : {&b.id, &b.call, &b.image, &b.downImage, &b.overImage,
                                        &b.disableImage, &b.maskImage, &b.tip})
            CheckName(*name);
        if (b.group < -1 || (b.group >= 0 && b.check))
            __builtin_trap();
    }
    (void)HtmlElementIds(text);
    (void)ScriptFunctionNames(text);
    return 0;
}
