// The WebEngine side of the web view, built as libkestrel-web.so and loaded
// by web_loader.cpp on first use. It keeps no state of its own: the view is
// found as the host widget's child, so a destroyed host takes its view with it.
#include <unistd.h>

#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/web/web_module_abi.h"

namespace {

// Chromium refuses to run its sandbox as root, and needs software rendering
// without a GPU. The user's own flags, when set, are left alone.
void prepareChromium() {
    if (std::getenv("QTWEBENGINE_CHROMIUM_FLAGS")) return;
    std::string flags;
    if (geteuid() == 0) flags += "--no-sandbox ";
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    bool noGpu = access("/dev/dri", F_OK) != 0 || (platform && std::strcmp(platform, "offscreen") == 0);
    if (noGpu) flags += "--disable-gpu ";
    if (!flags.empty()) setenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.c_str(), 0);
}

QWebEngineView* viewIn(void* host) {
    auto* widget = static_cast<QWidget*>(host);
    return widget ? widget->findChild<QWebEngineView*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

QUrl toUrl(const char* address) {
    return QUrl(QString::fromUtf8(address), QUrl::TolerantMode);
}

void showAddress(QWebEngineView* view, const char* address) {
    static constexpr char scheme[] = "javascript:";
    if (std::strncmp(address, scheme, sizeof scheme - 1) == 0) {
        // A bookmarklet: its script runs in the page shown.
        QString script = QUrl::fromPercentEncoding(QByteArray(address + sizeof scheme - 1));
        view->page()->runJavaScript(script);
        return;
    }
    view->setUrl(toUrl(address));
}

// A page that has not begun to arrive by then is given up: a site that is
// out of reach would otherwise leave the view blank for many seconds.
constexpr int kArrivalMs = 3000;
// The address a view could not reach, while it shows the page that says so.
constexpr char kUnreachable[] = "kestrelUnreachable";

void showUnreachable(QWebEngineView* view, const QUrl& url) {
    view->setProperty(kUnreachable, url);
    const QString site = url.host().isEmpty() ? url.toString().toHtmlEscaped() : url.host().toHtmlEscaped();
    view->setHtml(
        QStringLiteral("<!DOCTYPE html><html lang=\"ru\"><head><meta charset=\"utf-8\">"
                       "<title>Сайт видео недоступен</title></head>"
                       "<body style=\"font-family: sans-serif; margin: 48px; color: #333\">"
                       "<h2>Сайт видео недоступен</h2>"
                       "<p>Не удалось открыть %1: сайт не отвечает или нет соединения с Интернетом.</p>"
                       "<p>Проверьте соединение и нажмите «Обновить».</p></body></html>")
            .arg(site));
}

// Replaces the browser's own error page (in English, and only after its
// long connect timeout) with ours, at once on a failure and after
// kArrivalMs when nothing has come.
void watchLoads(QWebEngineView* view) {
    auto* late = new QTimer(view);
    late->setSingleShot(true);
    late->setInterval(kArrivalMs);
    QWebEnginePage* page = view->page();
    QObject::connect(late, &QTimer::timeout, view, [view] {
        const QUrl url = view->url();
        view->stop();
        showUnreachable(view, url);
    });
    // A page counts as arriving once it has a title or most of it is there.
    QObject::connect(page, &QWebEnginePage::titleChanged, late, &QTimer::stop);
    QObject::connect(page, &QWebEnginePage::loadProgress, late, [late](int percent) {
        if (percent >= 50) late->stop();
    });
    QObject::connect(page, &QWebEnginePage::loadingChanged, view,
                     [view, late](const QWebEngineLoadingInfo& info) {
                         if (info.url().scheme() == QLatin1String("data")) return;  // our own page
                         switch (info.status()) {
                             case QWebEngineLoadingInfo::LoadStartedStatus:
                                 view->setProperty(kUnreachable, QVariant());
                                 late->start();
                                 break;
                             case QWebEngineLoadingInfo::LoadFailedStatus:
                                 late->stop();
                                 // A server's own error page (404, 500) is shown as it is.
                                 if (!info.isErrorPage() &&
                                     info.errorDomain() != QWebEngineLoadingInfo::HttpStatusCodeDomain) {
                                     const QUrl url = info.url();
                                     QTimer::singleShot(0, view, [view, url] { showUnreachable(view, url); });
                                 }
                                 break;
                             default:
                                 late->stop();
                                 break;
                         }
                     });
}

int create(void* host, const char* address) {
    auto* widget = static_cast<QWidget*>(host);
    if (!widget) return 0;
    prepareChromium();
    delete viewIn(host);
    QLayout* layout = widget->layout();
    if (!layout) {
        layout = new QVBoxLayout(widget);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    auto* view = new QWebEngineView(widget);
    watchLoads(view);
    layout->addWidget(view);
    showAddress(view, address);
    view->show();
    return 1;
}

void navigate(void* host, const char* address) {
    if (QWebEngineView* view = viewIn(host)) showAddress(view, address);
}

void back(void* host) {
    if (QWebEngineView* view = viewIn(host)) view->back();
}

void forward(void* host) {
    if (QWebEngineView* view = viewIn(host)) view->forward();
}

void stop(void* host) {
    if (QWebEngineView* view = viewIn(host)) view->stop();
}

void reload(void* host) {
    QWebEngineView* view = viewIn(host);
    if (!view) return;
    // From the page that says a site is out of reach, the site is tried again.
    const QUrl unreachable = view->property(kUnreachable).toUrl();
    if (unreachable.isValid())
        view->setUrl(unreachable);
    else
        view->reload();
}

int address(void* host, char* buffer, int size) {
    QWebEngineView* view = viewIn(host);
    QByteArray url = view ? view->url().toString().toUtf8() : QByteArray();
    if (size > 0) {
        int n = std::min<int>(size - 1, static_cast<int>(url.size()));
        std::memcpy(buffer, url.constData(), static_cast<size_t>(n));
        buffer[n] = '\0';
    }
    return static_cast<int>(url.size());
}

int loading(void* host) {
    QWebEngineView* view = viewIn(host);
    return view && view->page()->isLoading() ? 1 : 0;
}

const KestrelWebApi api = {
    KESTREL_WEB_ABI_VERSION, create, navigate, back, forward, stop, reload, address, loading};

}  // namespace

extern "C" __attribute__((visibility("default"))) const KestrelWebApi* kestrel_web_api(void) {
    return &api;
}
