#pragma once
// The skin: reads a skin folder's definition and builds the main window from it (outline and
// size from the background bitmap, page content from the sensor report through the skin's
// stylesheet, the skin's scripts, bitmap buttons over the page), then stays as the face the
// status page writes into.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "script_bridge.h"
#include "skin_face.h"

class CSkinButton;
class IPageDocument;
class QWidget;

struct SSkinLoadResult {
    bool built = false;
    // Set when the load was abandoned part-way (a script file that cannot be read): names the
    // file. The window then holds what was built before it.
    std::string failure;
    // What was wrong in the skin without stopping the load, for the user.
    std::vector<std::string> problems;
};

class CSkin : public ISkinFace {
  public:
    CSkin();
    ~CSkin() override;
    CSkin(const CSkin&) = delete;
    CSkin& operator=(const CSkin&) = delete;

    // Also deletes every button.
    void SetSkinFile(const std::string& fileName);
    SSkinLoadResult LoadSkin(const std::string& folder, QWidget* owner, IPageDocument* page,
                             const std::string& reportXml);

    bool SetElementHtml(const std::string& id, const std::string& html) override;
    bool RaiseSkinEvent(const std::string& name) override;
    // The first check or grouped button with that ID; push buttons are skipped.
    bool SetButtonCheck(const std::string& id, int state);
    // Whole-window translucency. The first call always makes the window layered; a later 255
    // makes it opaque again. False where the window system cannot do it.
    bool SetTransparency(int alpha);

    // Told the folder of each skin before its files are used (the page may load from it).
    void SetFolderListener(std::function<void(const std::string&)> listener) {
        m_folderListener = std::move(listener);
    }

    CScriptBridge& Bridge() { return m_bridge; }
    const std::vector<std::unique_ptr<CSkinButton>>& Buttons() const { return m_buttons; }
    CSkinButton* FindButton(const std::string& id) const;
    const std::string& Folder() const { return m_folder; }
    const std::string& SkinFile() const { return m_skinFile; }
    const std::string& StylesheetPath() const { return m_stylesheetPath; }
    const std::string& ScriptBlock() const { return m_scriptBlock; }
    bool Layered() const { return m_layered; }

    static constexpr int BASE_CONTROL_ID = 5000;

  private:
    void ShapeWindow(const std::string& backgroundPath, SSkinLoadResult& result);
    void CreateButtons(const struct SSkinDefinition& def);

    bool m_layered = false;
    std::string m_folder;
    std::string m_stylesheetPath;
    std::string m_skinFile = "SkinDefine.xml";
    std::string m_scriptBlock;
    CScriptBridge m_bridge;
    IPageDocument* m_page = nullptr;
    QWidget* m_owner = nullptr;
    std::vector<std::unique_ptr<CSkinButton>> m_buttons;
    std::function<void(const std::string&)> m_folderListener;
};
