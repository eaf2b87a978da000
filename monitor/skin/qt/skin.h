#pragma once
// The skin: reads a skin folder's definition and builds the main window from it (outline and
// size from the background bitmap, page content from the sensor report through the skin's
// stylesheet, the skin's scripts, bitmap buttons over the page), then stays as the face the
// status page writes into.
//
// The stylesheet runs in a helper process within bounds (xslt_bounds.h) while the event loop
// goes on, so a load that needs it finishes later. Until then the page writes of the status page
// are held (the last one per element) and given to the new page once it is there, and skin
// events find no button. A skin that cannot be used (its stylesheet fails or goes past its
// bounds; the window would have no background, would be too small, or would have no button to
// close or minimise it) is refused with every problem named, and the fallback skin is loaded in
// its place.

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "script_bridge.h"
#include "skin_face.h"

class CSkinButton;
class CTransformJob;
class IPageDocument;
class QWidget;
struct STransformOutcome;

struct SSkinLoadResult {
    bool built = false;
    // The stylesheet still runs: the load listener is told the final result.
    bool pending = false;
    // Everything found wrong, one problem each, for the user; a refused skin's come first.
    std::vector<std::string> problems;
    // The definition file of a skin that could not be used, when the fallback skin took its
    // place.
    std::string refusedSkin;
};

class CSkin : public ISkinFace {
  public:
    CSkin();
    ~CSkin() override;
    CSkin(const CSkin&) = delete;
    CSkin& operator=(const CSkin&) = delete;

    // Also deletes every button.
    void SetSkinFile(const std::string& fileName);
    // The result of a load that finishes at once; otherwise `pending`, and the listener gets the
    // final one. Every load ends with one call of the listener, unless a newer load replaces it.
    SSkinLoadResult LoadSkin(const std::string& folder, QWidget* owner, IPageDocument* page,
                             const std::string& reportXml);
    bool Loading() const { return m_pending != nullptr; }

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
    void SetLoadListener(std::function<void(const SSkinLoadResult&)> listener) {
        m_loadListener = std::move(listener);
    }
    // The stylesheet helper (vorn-xslt); by default the one beside the running program.
    void SetTransformHelper(std::string path) { m_transformHelper = std::move(path); }
    // The folder whose "SkinDefine.xml" takes the place of a skin that cannot be used; none
    // when empty.
    void SetFallbackFolder(std::string folder) { m_fallbackFolder = std::move(folder); }

    CScriptBridge& Bridge() { return m_bridge; }
    const std::vector<std::unique_ptr<CSkinButton>>& Buttons() const { return m_buttons; }
    CSkinButton* FindButton(const std::string& id) const;
    const std::string& Folder() const { return m_folder; }
    const std::string& SkinFile() const { return m_skinFile; }
    const std::string& StylesheetPath() const { return m_stylesheetPath; }
    const std::string& ScriptBlock() const { return m_scriptBlock; }
    bool Layered() const { return m_layered; }
    // What the skin's pixels are drawn at: below 1 when the window as the skin draws it would not
    // fit the screen's available area and was shrunk to fit.
    double Scale() const { return m_scale; }

    static constexpr int BASE_CONTROL_ID = 5000;
    static constexpr const char* DEFAULT_SKIN_FILE = "SkinDefine.xml";
    // Below these the window is no use.
    static constexpr int MIN_WINDOW_WIDTH = 120;
    static constexpr int MIN_WINDOW_HEIGHT = 60;
    static constexpr int MIN_BUTTON_SIDE = 6;
    static constexpr long long MAX_DEFINITION_BYTES = 1 << 20;

  private:
    struct SLoad;
    void SetPageBackground(const std::string& backgroundPath);
    SSkinLoadResult StartLoad(const std::string& folder, QWidget* owner, IPageDocument* page,
                              const std::string& reportXml);
    bool ShapeWindow(const std::string& background, std::vector<std::string>& problems);
    void OnTransformed(const STransformOutcome& outcome);
    SSkinLoadResult Complete(std::unique_ptr<SLoad> load, const std::string* content);
    void CreateButtons(const struct SSkinDefinition& def, std::vector<std::string>& problems);
    void AddScripts(const SSkinDefinition& def, const std::string& backgroundPath,
                    std::vector<std::string>& problems);
    std::vector<std::string> WhyUnusable(const SLoad& load) const;
    bool IsFallback() const;
    SSkinLoadResult Refuse(std::unique_ptr<SLoad> load);
    SSkinLoadResult Finish(SSkinLoadResult result);
    void CheckFile(const std::string& what, const std::string& name, bool bitmap,
                   std::vector<std::string>& problems) const;

    bool m_layered = false;
    double m_scale = 1.0;
    std::string m_folder;
    std::string m_stylesheetPath;
    std::string m_skinFile = DEFAULT_SKIN_FILE;
    std::string m_scriptBlock;
    CScriptBridge m_bridge;
    IPageDocument* m_page = nullptr;
    QWidget* m_owner = nullptr;
    std::vector<std::unique_ptr<CSkinButton>> m_buttons;
    std::function<void(const std::string&)> m_folderListener;
    std::function<void(const SSkinLoadResult&)> m_loadListener;
    std::string m_transformHelper;
    std::string m_fallbackFolder;
    std::unique_ptr<CTransformJob> m_job;
    std::unique_ptr<SLoad> m_pending;
    // Page writes made while the page is being built: element id and its last HTML.
    std::vector<std::pair<std::string, std::string>> m_heldWrites;
    // A refused skin whose place the load in progress takes, and its problems.
    std::string m_refusedSkin;
    std::vector<std::string> m_refusedProblems;
};
