#include "platform/linux/focus/KWinScript.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QTimer>

namespace tv::linux_os {

namespace {
const QString kwin = QStringLiteral("org.kde.KWin");
constexpr int timeoutMs = 3000;
}  // namespace

KWinScript::KWinScript(QDBusConnection bus, QString file, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), file_(std::move(file)) {
    if (!bus_.isConnected()) {
        return;
    }
    watcher_ = new QDBusServiceWatcher(kwin, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                loaded_ = false;  // went with the KWin that had it
                retries_ = owner.isEmpty() ? 0 : 40;
                retry();
            });
    if (auto* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &KWinScript::unload);
    }
}

KWinScript::~KWinScript() {
    unload();
}

QDBusMessage KWinScript::scripting(const QString& method, const QVariantList& arguments) const {
    QDBusMessage call = QDBusMessage::createMethodCall(
        kwin, QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"), method);
    call.setArguments(arguments);
    return bus_.call(call, QDBus::Block, timeoutMs);
}

bool KWinScript::load() {
    QDBusConnectionInterface* names = bus_.isConnected() ? bus_.interface() : nullptr;
    if (!names || file_.isEmpty() ||
        names->serviceOwner(QStringLiteral("app.tallyvane.TallyVane")).value() !=
            bus_.baseService()) {
        return false;
    }
    const QString plugin = QString::fromLatin1(pluginName);
    QDBusMessage there = scripting(QStringLiteral("isScriptLoaded"), {plugin});
    if (there.type() != QDBusMessage::ReplyMessage) {
        return false;  // no KWin, or not one that runs scripts
    }
    if (there.arguments().value(0).toBool()) {
        // Left by a TallyVane that did not get to unload it, perhaps from another file.
        scripting(QStringLiteral("unloadScript"), {plugin});
    }
    QDBusMessage reply = scripting(QStringLiteral("loadScript"), {file_, plugin});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().value(0).toInt() < 0) {
        return false;
    }
    loaded_ = true;
    if (!run(reply.arguments().value(0).toInt())) {
        // Runs every loaded script that is not running yet.
        scripting(QStringLiteral("start"), {});
    }
    return true;
}

bool KWinScript::run(int id) const {
    // Plasma 6 puts a loaded script at /Scripting/Script<id>, Plasma 5 at /<id>.
    for (const QString& path :
         {QStringLiteral("/Scripting/Script%1").arg(id), QStringLiteral("/%1").arg(id)}) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            kwin, path, QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run"));
        if (bus_.call(call, QDBus::Block, timeoutMs).type() == QDBusMessage::ReplyMessage) {
            return true;
        }
    }
    return false;
}

// A KWin that just took its name may not run scripts yet: asked again for ten seconds.
void KWinScript::retry() {
    if (retries_ <= 0 || loaded_) {
        return;
    }
    --retries_;
    if (!load()) {
        QTimer::singleShot(250, this, &KWinScript::retry);
    }
}

void KWinScript::unload() {
    if (!loaded_) {
        return;
    }
    loaded_ = false;
    scripting(QStringLiteral("unloadScript"), {QString::fromLatin1(pluginName)});
}

}  // namespace tv::linux_os
