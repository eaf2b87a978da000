#include "skin.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <fstream>

#include "bitmap_region.h"
#include "page_document.h"
#include "region_rule.h"
#include "skin_button.h"
#include "skin_definition.h"
#include "skin_paths.h"
#include "transform_job.h"
#include "xml_document.h"
#include "xslt_bounds.h"

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

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Refused(const std::string& what, const std::string& name) {
    return what + " " + Quoted(name) + " is refused: it leaves the skin folder";
}

// One file, whether or not it exists yet.
bool SamePath(const std::string& a, const std::string& b) {
    const QFileInfo x(QString::fromStdString(a));
    const QFileInfo y(QString::fromStdString(b));
    if (x.exists() && y.exists())
        return x.canonicalFilePath() == y.canonicalFilePath();
    return QDir::cleanPath(x.absoluteFilePath()) == QDir::cleanPath(y.absoluteFilePath());
}

// A way out the user can see and click: shown, not all masked away, not off the window.
bool Reachable(const CSkinButton& button, const QWidget& owner) {
    if (button.isHidden() || button.testAttribute(Qt::WA_TransparentForMouseEvents))
        return false;
    const QRegion window = owner.mask().isEmpty() ? QRegion(owner.rect()) : owner.mask();
    const QRect area = (window & button.geometry()).boundingRect();
    return area.width() >= CSkin::MIN_BUTTON_SIDE && area.height() >= CSkin::MIN_BUTTON_SIDE;
}

// 1, or less when a window of `size` would not fit the available area of the owner's screen.
double FitScale(const QSize& size, const QWidget& owner) {
    const QScreen* screen = owner.screen();
    if (screen == nullptr || size.isEmpty())
        return 1.0;
    const QRect area = screen->availableGeometry();
    const double scale =
        std::min({1.0, double(area.width()) / size.width(), double(area.height()) / size.height()});
    // Never so small that the skin's controls could not be hit.
    return std::max(scale, 0.25);
}

// A script string literal of any text.
std::string QuotedScript(const std::string& text) {
    return QJsonDocument(QJsonArray{QString::fromStdString(text)})
        .toJson(QJsonDocument::Compact)
        .mid(1)
        .chopped(1)
        .toStdString();
}

// A picture as a data address the page can show (PNG).
QString DataUrl(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(bytes.toBase64());
}

}  // namespace

// A load between its start and its end: what the stylesheet's result is waited for with.
struct CSkin::SLoad {
    SSkinDefinition def;
    SSkinLoadResult result;
    IPageDocument* page = nullptr;
    std::string report;
    std::string backgroundPath;
    bool backgroundLoaded = false;
    bool pageBuilt = true;
};

CSkin::CSkin() : m_job(std::make_unique<CTransformJob>()) {}

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

void CSkin::CheckFile(const std::string& what, const std::string& name, bool bitmap,
                      std::vector<std::string>& problems) const {
    if (name.empty())
        return;
    const std::string path = SkinFilePath(m_folder, name);
    if (path.empty())
        problems.push_back(Refused(what, name));
    else if (bitmap ? LoadBitmapFile(path).isNull() : !IsPlainFile(path))
        problems.push_back(what + " " + Quoted(path) + " did not load");
}

bool CSkin::ShapeWindow(const std::string& background, std::vector<std::string>& problems) {
    const std::string path = SkinFilePath(m_folder, background);
    const QImage image = LoadBitmapFile(path);
    if (image.isNull()) {
        problems.push_back(background.empty() ? "the skin names no background (SKIN BACKGROUND)"
                           : path.empty()     ? Refused("background", background)
                                              : "background " + Quoted(path) + " did not load");
        return false;
    }
    m_scale = FitScale(image.size(), *m_owner);
    const QSize size = (QSizeF(image.size()) * m_scale).toSize();
    // Shrunk, the outline comes from the background scaled without blending: the key colour
    // stays exact and the outline whole.
    const QImage outlineImage =
        m_scale == 1.0 ? image : image.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const std::optional<QRegion> outline = RegionFromImage(&outlineImage, WINDOW_OUTLINE_KEY);
    if (outline) {
        m_owner->setWindowFlag(Qt::FramelessWindowHint, true);
        if (!outline->isEmpty())
            m_owner->setMask(*outline);
    }
    m_owner->setGeometry(0, 0, size.width(), size.height());
    m_owner->setFixedSize(size);
    m_owner->raise();
    return true;
}

SSkinLoadResult CSkin::LoadSkin(const std::string& folder, QWidget* owner, IPageDocument* page,
                                const std::string& reportXml) {
    m_refusedSkin.clear();
    m_refusedProblems.clear();
    return StartLoad(folder, owner, page, reportXml);
}

SSkinLoadResult CSkin::StartLoad(const std::string& folder, QWidget* owner, IPageDocument* page,
                                 const std::string& reportXml) {
    // A newer load replaces one still waiting for its stylesheet.
    m_job->Cancel();
    m_pending.reset();
    auto load = std::make_unique<SLoad>();
    load->page = page;
    load->report = reportXml;
    std::vector<std::string>& problems = load->result.problems;
    m_owner = owner;
    if (m_owner)
        m_owner->hide();
    m_folder = SkinFolder(folder);
    if (m_folderListener)
        m_folderListener(m_folder);

    const std::string definitionPath = SkinFilePath(m_folder, m_skinFile);
    if (definitionPath.empty() || !IsPlainFile(definitionPath)) {
        problems.push_back("the definition file " + Quoted(m_folder + m_skinFile) +
                           " does not exist");
        return Refuse(std::move(load));
    }
    if (QFileInfo(QString::fromStdString(definitionPath)).size() > MAX_DEFINITION_BYTES) {
        problems.push_back("the definition file " + Quoted(definitionPath) +
                           " is larger than 1 MiB");
        return Refuse(std::move(load));
    }
    CXmlDocument definition;
    if (!definition.Load(definitionPath))
        problems.push_back(definitionPath + ": " + definition.LastError());
    load->def = ReadSkinDefinition(definition);
    problems.insert(problems.end(), load->def.problems.begin(), load->def.problems.end());

    load->backgroundPath = SkinFilePath(m_folder, load->def.background);
    if (m_owner)
        load->backgroundLoaded = ShapeWindow(load->def.background, problems);

    if (page == nullptr) {
        if (m_owner) {
            QPalette palette = m_owner->palette();
            palette.setBrush(QPalette::Window,
                             QPixmap::fromImage(LoadBitmapFile(load->backgroundPath)));
            m_owner->setPalette(palette);
            m_owner->setAutoFillBackground(true);
        }
        load->result.built = true;
        return Finish(std::move(load->result));
    }
    m_bridge.SetDocument(page);
    m_page = page;
    if (reportXml.empty())
        return Complete(std::move(load), nullptr);

    const std::string& xsl = load->def.xsl;
    m_stylesheetPath = SkinFilePath(m_folder, xsl);
    if (xsl.empty() || m_stylesheetPath.empty()) {
        m_stylesheetPath.clear();
        problems.push_back(xsl.empty() ? "the skin names no stylesheet (XSL SRC)"
                                       : Refused("stylesheet", xsl));
        return Refuse(std::move(load));
    }
    if (m_transformHelper.empty())
        m_transformHelper =
            QCoreApplication::applicationDirPath().toStdString() + "/" + XSLT_HELPER_NAME;
    SSkinLoadResult now = load->result;
    now.pending = true;
    m_pending = std::move(load);
    m_job->Start(m_transformHelper, m_stylesheetPath, m_folder, reportXml,
                 [this](const STransformOutcome& outcome) { OnTransformed(outcome); });
    return now;
}

void CSkin::OnTransformed(const STransformOutcome& outcome) {
    std::unique_ptr<SLoad> load = std::move(m_pending);
    if (!load)
        return;
    load->pageBuilt = outcome.done;
    if (!outcome.done)
        load->result.problems.push_back("stylesheet " + Quoted(m_stylesheetPath) + ": " +
                                        outcome.error);
    Complete(std::move(load), &outcome.page);
}

SSkinLoadResult CSkin::Complete(std::unique_ptr<SLoad> load, const std::string* content) {
    std::vector<std::string>& problems = load->result.problems;
    if (m_owner)
        CreateButtons(load->def, problems);
    for (const SSkinImage& image : load->def.images)
        CheckFile("image", image.src, false, problems);
    const std::vector<std::string> unusable = WhyUnusable(*load);
    problems.insert(problems.end(), unusable.begin(), unusable.end());
    if (!unusable.empty() && !m_fallbackFolder.empty() && !IsFallback())
        return Refuse(std::move(load));

    IPageDocument* page = load->page;
    if (content != nullptr) {
        std::string html = load->pageBuilt ? *content : std::string();
        for (const SSkinImage& image : load->def.images)
            html += ImageTag(image, OptionalSkinFilePath(m_folder, image.src));
        page->SetBodyHtml(html);
    }
    AddScripts(load->def, load->backgroundPath, problems);
    for (const auto& [id, html] : m_heldWrites)
        page->SetElementHtml(id, html);
    m_heldWrites.clear();
    if (m_owner) {
        for (const auto& b : m_buttons)
            b->raise();
        m_owner->show();
    }
    load->result.built = true;
    return Finish(std::move(load->result));
}

void CSkin::AddScripts(const SSkinDefinition& def, const std::string& backgroundPath,
                       std::vector<std::string>& problems) {
    if (def.scripts.empty())
        return;
    std::string text;
    for (const std::string& src : def.scripts) {
        const std::string path = SkinFilePath(m_folder, src);
        if (path.empty())
            problems.push_back(Refused("script", src));
        else if (!ReadScriptFile(path, text))
            problems.push_back("script " + Quoted(path) + " cannot be read");
    }
    text += "function SetBackGround(){document.body.background=\"" +
            Replaced(backgroundPath, "\\", "//") + "\";}";
    m_scriptBlock = "<BR><script defer>" + text + "</script>";
    m_page->InsertBeforeBody(m_scriptBlock);
    // Markup inserted into a live page does not run its scripts: run the same text here, at the
    // page's global scope, as the skin expects.
    m_page->RunScript(text);
    m_bridge.CallFunction("SetBackGround");
    SetPageBackground(backgroundPath);
    // The skin's pictures in the page take their sharper copies where the screen asks for them.
    for (const SSkinImage& image : def.images) {
        const std::string path = OptionalSkinFilePath(m_folder, image.src);
        const QImage normal = LoadBitmapFile(path);
        if (image.id.empty() || LoadSharpBitmap(path, normal).isNull())
            continue;
        const std::string sharp =
            path.substr(0, path.rfind('.')) + "@2x" + path.substr(path.rfind('.'));
        m_page->RunScript("var e=document.getElementById(" + QuotedScript(image.id) +
                          ");if(e)e.srcset=" + QuotedScript(sharp + " 2x") + ";");
    }
}

// The page shows the background as the skin's function sets it, pixel for pixel, at scale 1. On
// a scaled screen, or in a shrunk window, the page engine blends neighbouring pixels, and the
// key colour outside the outline would seep in as a fringe along it: there the page gets the
// background without the key colour, and the sharper one where the skin ships it, at the same
// size in page units.
void CSkin::SetPageBackground(const std::string& backgroundPath) {
    if (m_owner == nullptr || backgroundPath.empty())
        return;
    const qreal ratio = m_owner->devicePixelRatioF();
    if (ratio == 1.0 && m_scale == 1.0)
        return;
    const QImage normal = LoadBitmapFile(backgroundPath);
    if (normal.isNull())
        return;
    const QImage sharp = ratio * m_scale > 1.0 ? LoadSharpBitmap(backgroundPath, normal) : QImage();
    const QImage keyless = WithoutKeyColour(sharp.isNull() ? normal : sharp, WINDOW_OUTLINE_KEY);
    const QString script =
        QStringLiteral("document.body.style.background='url(\"") + DataUrl(keyless) +
        QStringLiteral("\") 0 0/%1px %2px no-repeat';").arg(normal.width()).arg(normal.height());
    m_page->RunScript(script.toStdString());
}

std::vector<std::string> CSkin::WhyUnusable(const SLoad& load) const {
    std::vector<std::string> reasons;
    if (!load.pageBuilt)
        reasons.push_back("the page would show no readings");
    if (m_owner == nullptr)
        return reasons;
    const QSize size = m_owner->size();
    if (!load.backgroundLoaded)
        reasons.push_back("the window would have no outline and no size of its own");
    else if (size.width() < MIN_WINDOW_WIDTH || size.height() < MIN_WINDOW_HEIGHT)
        reasons.push_back("the window would be " + std::to_string(size.width()) + " x " +
                          std::to_string(size.height()) + " pixels, less than " +
                          std::to_string(MIN_WINDOW_WIDTH) + " x " +
                          std::to_string(MIN_WINDOW_HEIGHT));
    const bool wayOut = std::any_of(m_buttons.begin(), m_buttons.end(), [this](const auto& b) {
        return (b->Id() == "CLOSE" || b->Id() == "MIN") && Reachable(*b, *m_owner);
    });
    if (!wayOut)
        reasons.push_back(
            "the window would have no button to close or minimise it (\"CLOSE\", "
            "\"MIN\") that can be seen and clicked");
    return reasons;
}

bool CSkin::IsFallback() const {
    return SamePath(m_folder + m_skinFile, SkinFolder(m_fallbackFolder) + DEFAULT_SKIN_FILE);
}

SSkinLoadResult CSkin::Refuse(std::unique_ptr<SLoad> load) {
    if (m_fallbackFolder.empty() || IsFallback())
        return Finish(std::move(load->result));
    m_refusedSkin = m_folder + m_skinFile;
    m_refusedProblems = std::move(load->result.problems);
    SetSkinFile(DEFAULT_SKIN_FILE);
    return StartLoad(m_fallbackFolder, m_owner, load->page, load->report);
}

SSkinLoadResult CSkin::Finish(SSkinLoadResult result) {
    result.pending = false;
    if (!m_refusedSkin.empty()) {
        result.refusedSkin = std::exchange(m_refusedSkin, std::string());
        result.problems.insert(result.problems.begin(), m_refusedProblems.begin(),
                               m_refusedProblems.end());
        m_refusedProblems.clear();
    }
    // Writes held for a page that was not built are out of date by the next pass.
    m_heldWrites.clear();
    if (m_loadListener)
        m_loadListener(result);
    return result;
}

void CSkin::CreateButtons(const SSkinDefinition& def, std::vector<std::string>& problems) {
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
        button->SetScale(m_scale);
        button->move(qRound(d.x * m_scale), qRound(d.y * m_scale));
        button->resize(qRound(d.width * m_scale), qRound(d.height * m_scale));
        button->show();
        button->raise();
        const std::string what = "button " + Quoted(d.id);
        for (const auto& [attribute, name] : {std::pair{"IMAGE", &d.image},
                                              {"DOWNIMAGE", &d.downImage},
                                              {"OVERIMAGE", &d.overImage},
                                              {"DISABLEIMAGE", &d.disableImage},
                                              {"MASKIMAGE", &d.maskImage}})
            CheckFile(what + " " + attribute, *name, true, problems);
        button->SetSkin(SkinFilePath(m_folder, d.image), SkinFilePath(m_folder, d.downImage),
                        SkinFilePath(m_folder, d.overImage),
                        OptionalSkinFilePath(m_folder, d.disableImage), std::string(),
                        OptionalSkinFilePath(m_folder, d.maskImage), 0, false, 0);
        button->SetToolTipText(d.tip);
        m_buttons.push_back(std::move(button));
    }
}

bool CSkin::SetElementHtml(const std::string& id, const std::string& html) {
    if (m_pending) {
        auto held = std::find_if(m_heldWrites.begin(), m_heldWrites.end(),
                                 [&id](const auto& w) { return w.first == id; });
        if (held != m_heldWrites.end())
            held->second = html;
        else
            m_heldWrites.emplace_back(id, html);
        return true;
    }
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
    CSkinButton* button = m_pending ? nullptr : FindButton(name);
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
