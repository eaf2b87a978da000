#pragma once
// A skin's button: an image button that carries the skin's ID and CALL text and reports every
// click, after running CALL for script buttons, as its ID on the queued signal Command. The owner
// window takes it in its slot OnSkinCommand(QString), after the button has finished with the
// click; an owner without that slot, or one that is gone, gets nothing.

#include <QString>
#include <string>

#include "image_button.h"

class IScriptCaller;
class QObject;

// Plain buttons come from NORMALBUTTON elements, script buttons from JSBUTTON elements.
enum class ESkinButtonKind { Plain = 0, Script = 1 };

class CSkinButton : public CImageButton {
    Q_OBJECT

  public:
    using ESkinButtonKind = ::ESkinButtonKind;

    // `owner` receives the click commands (usually the main window, which is also `parent`).
    CSkinButton(std::string id, ESkinButtonKind kind, QObject* owner, std::string call,
                EButtonType type, QWidget* parent);

    // The bridge that runs CALL; not owned. Only script buttons use it.
    void SetScriptBridge(IScriptCaller* bridge) { m_bridge = bridge; }

    const std::string& Id() const { return m_id; }
    const std::string& Call() const { return m_call; }
    ESkinButtonKind Kind() const { return m_kind; }

  signals:
    void Command(const QString& id);

  protected:
    void OnClick() override;

  private:
    std::string m_id;
    ESkinButtonKind m_kind;
    std::string m_call;
    IScriptCaller* m_bridge = nullptr;
};
