#include "ui/SimpleShowTextWindow.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QResizeEvent>

namespace morvane {

SimpleShowTextWindow::SimpleShowTextWindow(TSimpleShowText& viewer, WindowHost* standIn, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , viewer_(viewer)
    , host_(this, standIn)
    , editFileName_(new QLineEdit(this))
    , memo1_(new QPlainTextEdit(this))
{
    viewer_.SetHost(&host_);
    editFileName_->setReadOnly(true);
    memo1_->setReadOnly(true);
    memo1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Scan files are columns of numbers: they line up in a fixed-width font.
    memo1_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    resize(viewer.Width, viewer.Height);
    Refresh();
}

SimpleShowTextWindow::~SimpleShowTextWindow() { viewer_.SetHost(nullptr); }

void SimpleShowTextWindow::Refresh()
{
    setWindowTitle(QString::fromStdString(viewer_.Caption));
    const QString path = QString::fromStdString(viewer_.EditFileName);
    if (editFileName_->text() != path) {
        editFileName_->setText(path);
        editFileName_->setCursorPosition(0);
    }
    if (shownLoad_ != viewer_.Memo1Loads) {
        QStringList lines;
        lines.reserve(static_cast<qsizetype>(viewer_.Memo1.size()));
        for (const std::string& line : viewer_.Memo1)
            lines << QString::fromStdString(line);
        memo1_->setPlainText(lines.join('\n'));
        shownLoad_ = viewer_.Memo1Loads;
    }
    Place();
}

void SimpleShowTextWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The window's outer size, frame included, as the rule counts it.
    const QSize outer = frameGeometry().size().expandedTo(event->size());
    viewer_.FormResize(outer.width(), outer.height());
    Place();
}

void SimpleShowTextWindow::Place()
{
    editFileName_->setGeometry(viewer_.EditFileNameLeft, viewer_.EditFileNameTop, viewer_.EditFileNameWidth,
        editFileName_->sizeHint().height());
    memo1_->setGeometry(viewer_.Memo1Left, viewer_.Memo1Top, viewer_.Memo1Width, viewer_.Memo1Height);
}

} // namespace morvane
