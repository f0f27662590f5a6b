// Message boxes (from any thread) and the open-file dialog.
//
// A box asked for on the UI thread is application-modal and runs its own
// loop. A box asked for by another thread is built on the UI thread as a
// window-modal-to-nobody box; the asking thread sleeps until it is closed,
// while the UI thread's loop goes on.
#include <QApplication>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QThread>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>

#include "platform/gui/gui_internal.h"

namespace gui {
namespace {

std::mutex responderMutex;
std::function<void(const MessageBoxInfo&)> responder;  // guarded by responderMutex
std::vector<MessageBoxInfo> shown;                     // guarded by responderMutex
std::function<std::string()> openFileResponder;        // UI thread only

QMessageBox::Icon toQIcon(Icon icon) {
    switch (icon) {
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Error:
            return QMessageBox::Critical;
        case Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox* makeBox(const MessageBoxInfo& info) {
    QWidget* owner = detail::windowWidget(info.owner);
    // The toolkit puts the program's name on a window with an empty title; a
    // caption meant to be empty is one blank, which shows as nothing.
    const QString caption = info.caption.empty() ? QStringLiteral(" ") : QString::fromStdString(info.caption);
    auto* box = new QMessageBox(toQIcon(info.icon), caption, QString::fromStdString(info.text),
                                QMessageBox::Ok, owner);
    return box;
}

}  // namespace

void messageBox(int owner, const std::string& caption, const std::string& text, Icon icon) {
    const MessageBoxInfo info{owner, caption, text, icon};
    std::function<void(const MessageBoxInfo&)> answer;
    {
        std::lock_guard lock(responderMutex);
        shown.push_back(info);
        answer = responder;
    }
    if (answer) {
        answer(info);
        return;
    }
    // Unattended runs (benchmarks, headless demos): say the box and go on.
    if (std::getenv("KESTREL_AUTO_OK")) {
        std::fprintf(stderr, "kestrel-player: [%s] %s\n", caption.c_str(), text.c_str());
        return;
    }
    if (!qApp) return;
    if (QThread::currentThread() == qApp->thread()) {
        QMessageBox* box = makeBox(info);
        box->setWindowModality(Qt::ApplicationModal);
        box->exec();
        delete box;
        return;
    }
    auto closed = std::make_shared<std::promise<void>>();
    auto future = closed->get_future();
    QMetaObject::invokeMethod(
        qApp,
        [info, closed] {
            QMessageBox* box = makeBox(info);
            box->setWindowModality(Qt::NonModal);
            box->setAttribute(Qt::WA_DeleteOnClose, false);
            QObject::connect(box, &QMessageBox::finished, box, [box, closed](int) {
                closed->set_value();
                box->hide();
                box->setParent(nullptr);
                // Deleted on the next box; deleteLater needs an exec() loop we do not run.
                static QMessageBox* previous = nullptr;
                delete previous;
                previous = box;
            });
            box->show();
        },
        Qt::QueuedConnection);
    future.wait();
}

void setMessageBoxResponder(std::function<void(const MessageBoxInfo&)> r) {
    std::lock_guard lock(responderMutex);
    responder = std::move(r);
}

std::vector<MessageBoxInfo> shownMessageBoxes() {
    std::lock_guard lock(responderMutex);
    return shown;
}

void clearShownMessageBoxes() {
    std::lock_guard lock(responderMutex);
    shown.clear();
}

std::string toolkitFileFilter(const std::string& filter) {
    // "description|patterns|description|patterns", patterns split by ";".
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t bar; (bar = filter.find('|', from)) != std::string::npos; from = bar + 1)
        parts.push_back(filter.substr(from, bar - from));
    parts.push_back(filter.substr(from));
    std::string out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns;
        size_t start = 0;
        for (size_t end = 0; end != std::string::npos; start = end + 1) {
            end = parts[i + 1].find(';', start);
            std::string pattern = parts[i + 1].substr(start, end == std::string::npos ? end : end - start);
            // "*.*" means every file there, names without a dot included.
            if (pattern == "*.*") pattern = "*";
            if (pattern.empty()) continue;
            if (!patterns.empty()) patterns += ' ';
            patterns += pattern;
        }
        if (patterns.empty()) continue;
        if (!out.empty()) out += ";;";
        out += parts[i] + " (" + patterns + ")";
    }
    return out;
}

std::string openFileDialog(int owner, const std::string& title, const std::string& filter,
                           const std::string& folder) {
    if (openFileResponder) return openFileResponder();
    QWidget* parent = detail::windowWidget(owner);
    const QString path =
        QFileDialog::getOpenFileName(parent, QString::fromStdString(title), QString::fromStdString(folder),
                                     QString::fromStdString(toolkitFileFilter(filter)));
    return path.toStdString();
}

namespace detail {

void loadToolkitTranslations() {
    // The toolkit's own dialogs (the open-file dialog, its buttons and
    // errors) speak Russian like the rest of the program.
    auto* translator = new QTranslator(qApp);
    if (translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

}  // namespace detail

void setOpenFileResponder(std::function<std::string()> r) {
    openFileResponder = std::move(r);
}

}  // namespace gui
