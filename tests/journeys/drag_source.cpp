// A file manager's part in a drop, for the journeys: a small window whose
// left press drags the files named on the command line (as text/uri-list,
// over the X drag-and-drop protocol), so that a journey's real pointer moves
// them onto the player. Prints "dropped" or "refused" once the drag ends,
// and keeps offering the files until it is ended.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

class Source : public QWidget {
  public:
    explicit Source(QList<QUrl> urls) : urls_(std::move(urls)) {
        setWindowTitle(QStringLiteral("drag source"));
        setFixedSize(120, 120);
    }

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setUrls(urls_);
        drag->setMimeData(data);
        const Qt::DropAction action = drag->exec(Qt::CopyAction);
        std::puts(action == Qt::CopyAction ? "dropped" : "refused");
        std::fflush(stdout);
        // The target asks for the files once the drop is made, after exec()
        // has returned: the source stays until the journey ends it.
    }

  private:
    QList<QUrl> urls_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (int i = 1; i < argc; ++i) urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
    Source source(urls);
    source.move(0, 0);
    source.show();
    return app.exec();
}
