#include "security_mark.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

const QColor kSecure(0, 110, 40);
const QColor kInsecure(170, 20, 20);
const QString kEncrypted = QStringLiteral("Encrypted");
const QString kNotEncrypted = QStringLiteral("Not encrypted");

QString protocolName(ServerProtocol protocol) {
    switch (protocol) {
    case ServerProtocol::Sftp:
        return QStringLiteral("SFTP over SSH");
    case ServerProtocol::FtpsImplicit:
        return QStringLiteral("FTPS (implicit TLS)");
    case ServerProtocol::PlainFtp:
        return QStringLiteral("FTP");
    default:
        return QStringLiteral("FTP over TLS");
    }
}

// A padlock `height` pixels high with its top left at `origin`; the shackle
// stands open when the lock is.
void drawPadlock(QPainter& p, QPointF origin, qreal height, bool closed, const QColor& color) {
    const qreal width = height * 0.75;
    const QRectF body(origin.x(), origin.y() + height * 0.45, width, height * 0.55);
    QPen pen(color, qMax<qreal>(1.5, height / 8));
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal inset = width * 0.2;
    const QRectF shackle(body.left() + inset, origin.y(), width - 2 * inset, height * 0.8);
    QPainterPath arc;
    arc.moveTo(shackle.left(), body.top());
    arc.lineTo(shackle.left(), shackle.top() + shackle.width() / 2);
    arc.arcTo(QRectF(shackle.left(), shackle.top(), shackle.width(), shackle.width()), 180, -180);
    if (closed)
        arc.lineTo(shackle.right(), body.top());
    else
        arc.lineTo(shackle.right(), shackle.top() + shackle.width() * 0.6);
    p.drawPath(closed ? arc : arc.translated(width * 0.35, -height * 0.12));
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(body, 1.5, 1.5);
}

} // namespace

SecurityMark::SecurityMark(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("Lbl_Security"));
    hide();
}

void SecurityMark::showSecurity(const ConnectionSecurity& security) {
    m_encrypted = security.encrypted;
    m_text = m_encrypted ? kEncrypted : kNotEncrypted;
    QString tip = protocolName(security.protocol);
    if (!security.details.isEmpty())
        tip += QStringLiteral(": ") + security.details;
    if (!m_encrypted)
        tip += QStringLiteral("\nThe password and files travel in clear text.");
    setToolTip(tip);
    show();
    update();
}

void SecurityMark::clear() {
    m_text.clear();
    setToolTip(QString());
    hide();
}

QSize SecurityMark::minimumSizeHint() const {
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int widestWord = 0;
    for (const QString& caption : {kEncrypted, kNotEncrypted})
        for (const QString& word : caption.split(u' '))
            widestWord = std::max(widestWord, metrics.horizontalAdvance(word));
    int lines = 0;
    for (const QString& caption : {kEncrypted, kNotEncrypted})
        lines = std::max(
            lines, metrics.boundingRect(QRect(0, 0, widestWord, 1000), Qt::TextWordWrap, caption)
                       .height());
    const int lock = fontMetrics().height();
    return {lock + 6 + widestWord, std::max(lines, lock + 4)};
}

void SecurityMark::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor color = m_encrypted ? kSecure : kInsecure;
    const qreal lock = qMin<qreal>(height() - 4, fontMetrics().height());
    drawPadlock(p, QPointF(2, (height() - lock) / 2), lock, m_encrypted, color);
    p.setPen(color);
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    const QRect textArea = rect().adjusted(int(lock) + 6, 0, 0, 0);
    p.drawText(textArea, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, m_text);
}
