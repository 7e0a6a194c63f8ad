#include "QtModalMessage.h"

#include "QtText.h"
#include "WindowTexts.h"

#include <QGridLayout>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

namespace tarnwick {

namespace {
// Room for a window manager's icon and title-bar buttons beside the caption.
constexpr int kCaptionRoom = 150;
} // namespace

QtModalMessage::QtModalMessage(QWidget* parent)
    : m_parent(parent)
{ }

void QtModalMessage::showMessage(std::string_view text)
{
    // An empty caption would show the program file's name instead.
    QMessageBox box(
        QMessageBox::NoIcon, qtText(kMainCaption), qtText(text), QMessageBox::Ok, m_parent);
    box.setWindowModality(Qt::ApplicationModal);
    // The text alone: no icon on the box and none on its button either.
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    // Wide enough that the frame can show the whole caption beside its buttons.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int captionWidth = box.fontMetrics().horizontalAdvance(qtText(kMainCaption));
        grid->addItem(new QSpacerItem(captionWidth + kCaptionRoom, 0, QSizePolicy::Minimum),
            grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
}

} // namespace tarnwick
