#include "KRAboutContentView.h"

#include "KRLinkButton.h"
#include "KitchoraController.h"
#include "MakerAddresses.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

KRAboutContentView::KRAboutContentView(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    auto* name = new QLabel(tr("Kitchora"));
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 2.2);
    nameFont.setBold(true);
    name->setFont(nameFont);
    auto* version = new QLabel(
        tr("Version %1 (%2)").arg(KitchoraController::majorVersion(), KitchoraController::buildVersion()));
    auto* copyright = new QLabel(KitchoraController::copyrightString());
    copyright->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 28, 32, 24);
    for (QLabel* label : { name, version, copyright }) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    layout->addSpacing(12);
    for (const QString& link : { KRMakerWebAddress, KRMakerMailAddress }) {
        auto* button = new KRLinkButton(link);
        button->setObjectName(link);
        layout->addWidget(button, 0, Qt::AlignHCenter);
    }
}

void KRAboutContentView::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    window()->close();
}

void KRAboutContentView::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    if (event->key() == Qt::Key_Escape || text == QLatin1String("q") || text == QLatin1String("Q")) {
        window()->close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void KRAboutContentView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter.fillPath(path, palette().window());
    painter.setPen(QColor(0, 0, 0, 60));
    painter.drawPath(path);
}
