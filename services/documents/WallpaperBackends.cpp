#include "services/documents/WallpaperBackends.h"

#include <QDBusAbstractInterface>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>
#include <optional>
#include <utility>
#include <vector>

namespace glyphon {

namespace {

constexpr int kToolTimeoutMs = 10000;
constexpr int kDBusTimeoutMs = 10000;
// The portal may ask the user before it changes the wallpaper.
constexpr int kPortalAnswerTimeoutMs = 120000;

WallpaperResult failure(QString message) { return {false, std::move(message)}; }

struct ToolRun {
  bool ok = false;
  QString output;
  // Why the tool failed, for the user.
  QString problem;
};

// Runs program (found on PATH) with arguments and waits for it.
ToolRun runTool(const QString& program, const QStringList& arguments) {
  const QString executable = QStandardPaths::findExecutable(program);
  if (executable.isEmpty()) return {false, {}, program + QStringLiteral(" is not installed")};
  QProcess process;
  process.start(executable, arguments);
  if (!process.waitForStarted(kToolTimeoutMs))
    return {false, {}, program + QStringLiteral(" could not be started")};
  if (!process.waitForFinished(kToolTimeoutMs)) {
    process.kill();
    process.waitForFinished();
    return {false, {}, program + QStringLiteral(" did not answer")};
  }
  const QString output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    QString reason = QString::fromUtf8(process.readAllStandardError()).trimmed();
    if (reason.isEmpty()) reason = QStringLiteral("exit code %1").arg(process.exitCode());
    return {false, output, program + QStringLiteral(" failed: ") + reason};
  }
  return {true, output, {}};
}

QString fileUri(const QString& path) {
  return QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded());
}

// ---------------------------------------------------------------------------
// gsettings

// s as a GVariant string literal, the form "gsettings set" parses.
QString gvariantString(const QString& s) {
  QString out = QStringLiteral("'");
  for (const QChar c : s) {
    if (c == QChar('\\') || c == QChar('\'')) out += QChar('\\');
    out += c;
  }
  return out + QChar('\'');
}

// The string a GVariant string literal printed by "gsettings get" holds, or
// nothing when printed is not one.
std::optional<QString> parseGVariantString(const QString& printed) {
  if (printed.size() < 2) return std::nullopt;
  const QChar quote = printed.front();
  if ((quote != QChar('\'') && quote != QChar('"')) || printed.back() != quote) return std::nullopt;
  QString out;
  for (qsizetype i = 1; i + 1 < printed.size(); ++i) {
    QChar c = printed[i];
    if (c == QChar('\\') && i + 2 < printed.size()) {
      c = printed[++i];
      if (c == QChar('n'))
        c = QChar('\n');
      else if (c == QChar('t'))
        c = QChar('\t');
      else if (c == QChar('u') && i + 4 < printed.size()) {
        bool ok = false;
        c = QChar(printed.mid(i + 1, 4).toUShort(&ok, 16));
        if (!ok) return std::nullopt;
        i += 4;
      }
    }
    out += c;
  }
  return out;
}

class GSettingsWallpaper final : public WallpaperBackend {
 public:
  explicit GSettingsWallpaper(DesktopFamily family) {
    switch (family) {
      case DesktopFamily::Cinnamon:
        m_name = QStringLiteral("Cinnamon (gsettings)");
        m_schema = QStringLiteral("org.cinnamon.desktop.background");
        break;
      case DesktopFamily::Mate:
        m_name = QStringLiteral("MATE (gsettings)");
        m_schema = QStringLiteral("org.mate.background");
        m_pictureKey = QStringLiteral("picture-filename");
        m_takesUri = false;
        break;
      default:
        m_name = QStringLiteral("GNOME (gsettings)");
        m_schema = QStringLiteral("org.gnome.desktop.background");
        m_darkKey = QStringLiteral("picture-uri-dark");
        break;
    }
  }

  QString name() const override { return m_name; }

  WallpaperResult apply(const QString& path, WallpaperStyle style) override {
    const ToolRun keys =
        runTool(QStringLiteral("gsettings"), {QStringLiteral("list-keys"), m_schema});
    if (!keys.ok) {
      if (keys.problem.contains(QLatin1String("not installed"))) return failure(keys.problem);
      return failure(QStringLiteral("the settings schema %1 is not installed").arg(m_schema));
    }
    const QStringList known = keys.output.split(QChar('\n'), Qt::SkipEmptyParts);

    // The placement first, so that the desktop shows the new picture in it.
    std::vector<std::pair<QString, QString>> values;
    values.emplace_back(QStringLiteral("picture-options"), optionsOf(style));
    const QString picture = m_takesUri ? fileUri(path) : path;
    values.emplace_back(m_pictureKey, picture);
    if (!m_darkKey.isEmpty() && known.contains(m_darkKey)) values.emplace_back(m_darkKey, picture);

    for (const auto& [key, value] : values) {
      const ToolRun set = runTool(QStringLiteral("gsettings"),
                                  {QStringLiteral("set"), m_schema, key, gvariantString(value)});
      if (!set.ok) return failure(set.problem);
    }
    // gsettings succeeds even when it reaches no settings store (no session
    // bus for dconf): only reading the values back tells.
    for (const auto& [key, value] : values) {
      const ToolRun get =
          runTool(QStringLiteral("gsettings"), {QStringLiteral("get"), m_schema, key});
      if (!get.ok) return failure(get.problem);
      if (parseGVariantString(get.output) != value)
        return failure(QStringLiteral(
            "the desktop settings kept their old values (is the desktop's settings service "
            "running?)"));
    }
    return {true, {}};
  }

 private:
  static QString optionsOf(WallpaperStyle style) {
    switch (style) {
      case WallpaperStyle::Tile:
        return QStringLiteral("wallpaper");
      case WallpaperStyle::Stretch:
        return QStringLiteral("stretched");
      case WallpaperStyle::Center:
        break;
    }
    return QStringLiteral("centered");
  }

  QString m_name;
  QString m_schema;
  QString m_pictureKey = QStringLiteral("picture-uri");
  QString m_darkKey;
  bool m_takesUri = true;
};

// ---------------------------------------------------------------------------
// KDE Plasma

// s as a JavaScript string literal.
QString javaScriptString(const QString& s) {
  QString out = QStringLiteral("\"");
  for (const QChar c : s) {
    if (c == QChar('\\') || c == QChar('"')) {
      out += QChar('\\');
      out += c;
    } else if (c.unicode() < 0x20) {
      out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar('0'));
    } else {
      out += c;
    }
  }
  return out + QChar('"');
}

class PlasmaWallpaper final : public WallpaperBackend {
 public:
  QString name() const override { return QStringLiteral("KDE Plasma"); }

  WallpaperResult apply(const QString& path, WallpaperStyle style) override {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return failure(QStringLiteral("there is no session bus"));
    const QString service = QStringLiteral("org.kde.plasmashell");
    if (!bus.interface()->isServiceRegistered(service))
      return failure(QStringLiteral("Plasma's shell is not running"));

    // The image plug-in's fill modes: 0 stretch, 3 tile, 6 pad (centred).
    const int fillMode = style == WallpaperStyle::Tile      ? 3
                         : style == WallpaperStyle::Stretch ? 0
                                                            : 6;
    const QString script =
        QStringLiteral(
            "var image = %1;\n"
            "var all = desktops();\n"
            "for (var i = 0; i < all.length; ++i) {\n"
            "  var d = all[i];\n"
            "  d.wallpaperPlugin = \"org.kde.image\";\n"
            "  d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
            "  d.writeConfig(\"Image\", image);\n"
            "  d.writeConfig(\"FillMode\", %2);\n"
            "}\n")
            .arg(javaScriptString(fileUri(path)))
            .arg(fillMode);
    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/PlasmaShell"),
                                                       QStringLiteral("org.kde.PlasmaShell"),
                                                       QStringLiteral("evaluateScript"));
    call << script;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kDBusTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
      return failure(QStringLiteral("Plasma refused the change: ") + reply.errorMessage());
    return {true, {}};
  }
};

// ---------------------------------------------------------------------------
// Xfce

class XfceWallpaper final : public WallpaperBackend {
 public:
  QString name() const override { return QStringLiteral("Xfce (xfconf-query)"); }

  WallpaperResult apply(const QString& path, WallpaperStyle style) override {
    const ToolRun list = query({QStringLiteral("-l")});
    if (!list.ok) return failure(list.problem);
    QStringList images;
    for (const QString& property : list.output.split(QChar('\n'), Qt::SkipEmptyParts))
      if (property.trimmed().endsWith(QLatin1String("/last-image"))) images << property.trimmed();
    if (images.isEmpty())
      return failure(QStringLiteral("Xfce keeps no desktop backdrops (is xfdesktop running?)"));

    // Xfce's image styles: 1 centred, 2 tiled, 3 stretched.
    const QString imageStyle = QString::number(style == WallpaperStyle::Tile      ? 2
                                               : style == WallpaperStyle::Stretch ? 3
                                                                                  : 1);
    std::vector<std::pair<QString, QString>> values;
    for (const QString& image : images) {
      const QString prefix = image.left(image.size() - QLatin1String("last-image").size());
      values.emplace_back(prefix + QStringLiteral("image-style"), imageStyle);
      values.emplace_back(image, path);
    }
    for (const auto& [property, value] : values) {
      const QString type = property.endsWith(QLatin1String("image-style"))
                               ? QStringLiteral("int")
                               : QStringLiteral("string");
      const ToolRun set = query({QStringLiteral("-p"), property, QStringLiteral("-n"),
                                 QStringLiteral("-t"), type, QStringLiteral("-s"), value});
      if (!set.ok) return failure(set.problem);
    }
    for (const auto& [property, value] : values) {
      const ToolRun get = query({QStringLiteral("-p"), property});
      if (!get.ok) return failure(get.problem);
      if (get.output != value)
        return failure(QStringLiteral("the desktop settings kept their old values"));
    }
    return {true, {}};
  }

 private:
  static ToolRun query(QStringList arguments) {
    arguments.prepend(QStringLiteral("xfce4-desktop"));
    arguments.prepend(QStringLiteral("-c"));
    return runTool(QStringLiteral("xfconf-query"), arguments);
  }
};

// ---------------------------------------------------------------------------
// XDG desktop portal

// One request of the portal: its Response signal carries the answer.
class PortalRequest final : public QDBusAbstractInterface {
  Q_OBJECT

 public:
  PortalRequest(const QString& path, const QDBusConnection& bus)
      : QDBusAbstractInterface(QStringLiteral("org.freedesktop.portal.Desktop"), path,
                               "org.freedesktop.portal.Request", bus, nullptr) {}

 Q_SIGNALS:
  // response: 0 done, 1 cancelled by the user, 2 failed.
  void Response(uint response, const QVariantMap& results);
};

class PortalWallpaper final : public WallpaperBackend {
 public:
  QString name() const override { return QStringLiteral("Desktop portal"); }

  WallpaperResult apply(const QString& path, WallpaperStyle) override {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return failure(QStringLiteral("there is no session bus"));

    // The answer comes as a signal of a request object whose path follows
    // from our token; listening before the call leaves no gap to miss it.
    const QString token = QStringLiteral("glyphon%1").arg(QRandomGenerator::global()->generate());
    QString sender = bus.baseService().mid(1);
    sender.replace(QChar('.'), QChar('_'));
    const QString requestPath =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);

    std::optional<uint> answer;
    QEventLoop loop;
    auto listen = [&](const QString& objectPath) {
      auto request = std::make_unique<PortalRequest>(objectPath, bus);
      QObject::connect(request.get(), &PortalRequest::Response, &loop,
                       [&](uint response, const QVariantMap&) {
                         answer = response;
                         loop.quit();
                       });
      return request;
    };
    std::vector<std::unique_ptr<PortalRequest>> requests;
    requests.push_back(listen(requestPath));

    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Wallpaper"), QStringLiteral("SetWallpaperURI"));
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), token);
    options.insert(QStringLiteral("show-preview"), false);
    options.insert(QStringLiteral("set-on"), QStringLiteral("background"));
    call << QString() << fileUri(path) << options;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kDBusTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
      return failure(QStringLiteral("no desktop portal offers it (%1)").arg(reply.errorMessage()));
    // Older portals choose the request path themselves.
    if (!reply.arguments().isEmpty()) {
      const QString given = qvariant_cast<QDBusObjectPath>(reply.arguments().front()).path();
      if (!given.isEmpty() && given != requestPath) requests.push_back(listen(given));
    }

    if (!answer) {
      QTimer::singleShot(kPortalAnswerTimeoutMs, &loop, &QEventLoop::quit);
      // The editor's windows take no input meanwhile: the wallpaper command
      // is still running.
      loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!answer) return failure(QStringLiteral("the desktop portal did not answer"));
    if (*answer == 1) return failure(QStringLiteral("the change was cancelled"));
    if (*answer != 0) return failure(QStringLiteral("the desktop portal refused the change"));
    return {true, QStringLiteral("The wallpaper was set through the desktop portal, which does "
                                 "not let programs choose the placement: the desktop keeps its "
                                 "own.")};
  }
};

}  // namespace

std::unique_ptr<WallpaperBackend> makeGSettingsWallpaper(DesktopFamily family) {
  return std::make_unique<GSettingsWallpaper>(family);
}

std::unique_ptr<WallpaperBackend> makePlasmaWallpaper() {
  return std::make_unique<PlasmaWallpaper>();
}

std::unique_ptr<WallpaperBackend> makeXfceWallpaper() { return std::make_unique<XfceWallpaper>(); }

std::unique_ptr<WallpaperBackend> makePortalWallpaper() {
  return std::make_unique<PortalWallpaper>();
}

std::unique_ptr<WallpaperBackend> makeFamilyWallpaper(DesktopFamily family) {
  switch (family) {
    case DesktopFamily::Gnome:
    case DesktopFamily::Cinnamon:
    case DesktopFamily::Mate:
      return makeGSettingsWallpaper(family);
    case DesktopFamily::Plasma:
      return makePlasmaWallpaper();
    case DesktopFamily::Xfce:
      return makeXfceWallpaper();
    case DesktopFamily::Other:
      break;
  }
  return nullptr;
}

}  // namespace glyphon

#include "WallpaperBackends.moc"
