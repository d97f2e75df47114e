// A window of our own for the key tests: it shows one line edit, and every
// time Enter is pressed appends the line to a file; Escape ends it.
//   key_target CAPTION OUTPUT-FILE
// Writes OUTPUT-FILE.ready once its window is on the screen.
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

namespace {

class Recorder : public QLineEdit {
  public:
    explicit Recorder(QString path) : path_(std::move(path)) {}

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            append(text() + "\n");
            clear();
            return;
        }
        if (event->key() == Qt::Key_Escape) {
            append("END\n");
            QApplication::quit();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }

  private:
    void append(const QString& line) {
        QFile file(path_);
        if (file.open(QIODevice::Append)) file.write(line.toUtf8());
    }
    QString path_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) return 2;
    const QString path = QString::fromLocal8Bit(argv[2]);
    QWidget window;
    window.setWindowTitle(QString::fromUtf8(argv[1]));
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new Recorder(path);
    layout->addWidget(edit);
    window.resize(300, 60);
    window.show();
    edit->setFocus();
    QTimer::singleShot(500, [path] {
        QFile ready(path + ".ready");
        if (ready.open(QIODevice::WriteOnly)) ready.write("ready\n");
    });
    // Never outlive a test that went wrong.
    QTimer::singleShot(60000, [] { QApplication::exit(3); });
    return app.exec();
}
