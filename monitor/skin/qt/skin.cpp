#include "skin.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <QWidget>
#include <fstream>

#include "bitmap_region.h"
#include "page_document.h"
#include "region_rule.h"
#include "skin_button.h"
#include "skin_definition.h"
#include "skin_paths.h"
#include "xml_document.h"

namespace {

constexpr size_t MAX_SCRIPT_BYTES = 100000;

bool IsPlainFile(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    return info.exists() && info.isFile();
}

// At most the first 100 000 bytes, up to the first zero byte; false when it cannot be opened.
bool ReadScriptFile(const std::string& path, std::string& out) {
    if (path.empty() || !IsPlainFile(path))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string text(MAX_SCRIPT_BYTES, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    const size_t zero = text.find('\0');
    if (zero != std::string::npos)
        text.resize(zero);
    out += text;
    return true;
}

std::string ImageTag(const SSkinImage& image, const std::string& src) {
    // <IMG ID="%s" SRC="%s" STYLE="position:absolute;top:%dpx;left:%dpx;z-index:%d;">
    return "<IMG ID=\"" + image.id + "\" SRC=\"" + src +
           "\" STYLE=\"position:absolute;top:" + std::to_string(image.y) +
           "px;left:" + std::to_string(image.x) + "px;z-index:" + std::to_string(image.z) + ";\">";
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

CSkin::CSkin() = default;

CSkin::~CSkin() = default;

void CSkin::SetSkinFile(const std::string& fileName) {
    m_skinFile = fileName;
    m_buttons.clear();
}

CSkinButton* CSkin::FindButton(const std::string& id) const {
    for (const auto& b : m_buttons) {
        if (b->Id() == id)
            return b.get();
    }
    return nullptr;
}

void CSkin::ShapeWindow(const std::string& backgroundPath, SSkinLoadResult& result) {
    const QImage background = LoadBitmapFile(backgroundPath);
    if (background.isNull()) {
        result.problems.push_back("background bitmap \"" + backgroundPath + "\" did not load");
        return;
    }
    const std::optional<QRegion> outline = RegionFromImage(&background, WINDOW_OUTLINE_KEY);
    if (outline) {
        m_owner->setWindowFlag(Qt::FramelessWindowHint, true);
        if (!outline->isEmpty())
            m_owner->setMask(*outline);
    }
    m_owner->setGeometry(0, 0, background.width(), background.height());
    m_owner->setFixedSize(background.size());
    m_owner->raise();
}

SSkinLoadResult CSkin::LoadSkin(const std::string& folder, QWidget* owner, IPageDocument* page,
                                const std::string& reportXml) {
    SSkinLoadResult result;
    m_owner = owner;
    if (m_owner)
        m_owner->hide();
    m_folder = SkinFolder(folder);
    if (m_folderListener)
        m_folderListener(m_folder);

    const std::string definitionPath = SkinFilePath(m_folder, m_skinFile);
    if (definitionPath.empty() || !IsPlainFile(definitionPath))
        return result;

    CXmlDocument definition;
    if (!definition.Load(definitionPath))
        result.problems.push_back(definitionPath + ": " + definition.LastError());
    const SSkinDefinition def = ReadSkinDefinition(definition);
    result.problems.insert(result.problems.end(), def.problems.begin(), def.problems.end());

    const std::string backgroundPath = SkinFilePath(m_folder, def.background);
    if (m_owner)
        ShapeWindow(backgroundPath, result);

    if (page == nullptr) {
        if (m_owner) {
            QPalette palette = m_owner->palette();
            palette.setBrush(QPalette::Window, QPixmap::fromImage(LoadBitmapFile(backgroundPath)));
            m_owner->setPalette(palette);
            m_owner->setAutoFillBackground(true);
        }
        result.built = true;
        return result;
    }
    m_bridge.SetDocument(page);
    m_page = page;

    if (!reportXml.empty()) {
        CXmlDocument report;
        report.LoadXml(reportXml);
        if (def.xsl.empty()) {
            m_stylesheetPath.clear();
            result.problems.push_back("the skin names no stylesheet (XSL SRC)");
            return result;
        }
        m_stylesheetPath = SkinFilePath(m_folder, def.xsl);
        CXmlDocument stylesheet;
        std::string content;
        if (!stylesheet.Load(m_stylesheetPath) || !report.Transform(stylesheet, content)) {
            content.clear();
            result.problems.push_back("stylesheet \"" + m_stylesheetPath +
                                      "\": " + stylesheet.LastError() + report.LastError());
        }
        for (const SSkinImage& image : def.images)
            content += ImageTag(image, OptionalSkinFilePath(m_folder, image.src));
        page->SetBodyHtml(content);
    }

    if (!def.scripts.empty()) {
        std::string text;
        for (const std::string& src : def.scripts) {
            const std::string path = SkinFilePath(m_folder, src);
            if (!ReadScriptFile(path, text)) {
                result.failure = "The skin's script file \"" + (path.empty() ? src : path) +
                                 "\" cannot be read.";
                return result;
            }
        }
        text += "function SetBackGround(){document.body.background=\"" +
                Replaced(backgroundPath, "\\", "//") + "\";}";
        m_scriptBlock = "<BR><script defer>" + text + "</script>";
        page->InsertBeforeBody(m_scriptBlock);
        // Markup inserted into a live page does not run its scripts: run the same text here,
        // at the page's global scope, as the skin expects.
        page->RunScript(text);
        m_bridge.CallFunction("SetBackGround");
    }

    if (m_owner)
        CreateButtons(def);
    if (m_owner)
        m_owner->show();
    result.built = true;
    return result;
}

void CSkin::CreateButtons(const SSkinDefinition& def) {
    int controlId = BASE_CONTROL_ID + static_cast<int>(m_buttons.size());
    for (const SSkinButtonDef& d : def.buttons) {
        const EButtonType type = d.group >= 0 ? EButtonType::Radio
                                 : d.check    ? EButtonType::Check
                                              : EButtonType::Push;
        auto button = std::make_unique<CSkinButton>(
            d.id, d.script ? ESkinButtonKind::Script : ESkinButtonKind::Plain, m_owner, d.call,
            type, m_owner);
        button->setProperty("controlId", controlId++);
        if (d.group >= 0)
            button->SetRadioGroup(d.group);
        if (d.script)
            button->SetScriptBridge(&m_bridge);
        button->setGeometry(10, 10, 90, 20);
        button->move(d.x, d.y);
        button->resize(d.width, d.height);
        button->show();
        button->raise();
        button->SetSkin(SkinFilePath(m_folder, d.image), SkinFilePath(m_folder, d.downImage),
                        SkinFilePath(m_folder, d.overImage),
                        OptionalSkinFilePath(m_folder, d.disableImage), std::string(),
                        OptionalSkinFilePath(m_folder, d.maskImage), 0, false, 0);
        button->SetToolTipText(d.tip);
        m_buttons.push_back(std::move(button));
    }
}

bool CSkin::SetElementHtml(const std::string& id, const std::string& html) {
    return m_page != nullptr && m_page->SetElementHtml(id, html);
}

bool CSkin::SetButtonCheck(const std::string& id, int state) {
    for (const auto& b : m_buttons) {
        if (b->Id() == id && b->Type() != EButtonType::Push) {
            b->SetCheck(state);
            return true;
        }
    }
    return false;
}

bool CSkin::RaiseSkinEvent(const std::string& name) {
    CSkinButton* button = FindButton(name);
    if (button == nullptr || button->Call().empty())
        return false;
    return m_bridge.CallFunction(button->Call());
}

bool CSkin::SetTransparency(int alpha) {
    // Window opacity needs a window system that carries it; X11 does (a compositor shows it),
    // the others Qt runs on here do not.
    if (m_owner == nullptr || QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    if (!m_layered)
        m_layered = true;
    else if (alpha == 255)
        m_layered = false;
    m_owner->setWindowOpacity(m_layered ? std::clamp(alpha, 0, 255) / 255.0 : 1.0);
    m_owner->update();
    QGuiApplication::sync();
    return true;
}
