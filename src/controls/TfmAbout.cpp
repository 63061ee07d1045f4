#include "TfmAbout.h"

#include "ProjectContact.h"
#include "TFPanel.h"
#include "VentaroLogo.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace {

constexpr int VersionParts = 4;
constexpr int MaxVersionPart = 0xFFFF;

QFont pixelFont(const QString &family, int pixels, QFont::StyleHint hint = QFont::AnyStyle)
{
    QFont font(family);
    font.setStyleHint(hint);
    font.setPixelSize(pixels);
    return font;
}

QLabel *makeLabel(QWidget *parent, const QRect &place, const QFont &font, const QColor &colour)
{
    auto *label = new QLabel(parent);
    label->setGeometry(place);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

} // namespace

TfmAbout::TfmAbout(const QString &version, QWidget *parent, WindowTranslator translate,
                   UrlOpener openUrl)
    : QDialog(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_openUrl(std::move(openUrl))
{
    if (!m_openUrl)
        m_openUrl = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    buildLayout();
    FormCreate(version, translate);
}

QUrl TfmAbout::webUrl()
{
    return QUrl(QString::fromLatin1(ProjectContact::WebUrl));
}

QUrl TfmAbout::mailUrl()
{
    return QUrl(QStringLiteral("mailto:") + QString::fromLatin1(ProjectContact::Email));
}

void TfmAbout::buildLayout()
{
    setObjectName(QStringLiteral("fmAbout"));
    setWindowTitle(QString::fromLatin1(ProjectContact::Name)
                   + QStringLiteral(" = Voices in, voices out"));
    setFixedSize(ClientWidth, ClientHeight);
    setFont(pixelFont(font().family(), 11));

    FPanel1 = new TFPanel(this);
    FPanel1->setObjectName(QStringLiteral("FPanel1"));
    FPanel1->setGeometry(0, 0, ClientWidth, ClientHeight);
    FPanel1->setBevelOuter(BvNone);
    FPanel1->setFont(pixelFont(QStringLiteral("Arial Black"), 11, QFont::SansSerif));
    FPanel1->setColorStart(QColor(0, 0, 0));
    FPanel1->setColorEnd(QColor(134, 134, 134));
    FPanel1->setColorShadow(QColor(0, 0, 0));
    FPanel1->setColor3D(QColor(255, 255, 255));
    FPanel1->setShadowSize(1);
    FPanel1->setDirection(drTopToBottom);
    FPanel1->setTextStyle(tsNone);
    FPanel1->setAlignmentVertical(avCenter);

    Image1 = new QLabel(FPanel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(24, 16, 241, 49);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(VentaroLogo::render());

    QFont authorFont = pixelFont(QStringLiteral("Times New Roman"), 16, QFont::Serif);
    authorFont.setItalic(true);
    Label2 = makeLabel(FPanel1, QRect(57, 80, 183, 19), authorFont, QColor(225, 225, 225));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setText(QString::fromLatin1(ProjectContact::AuthorLine));
    Label2->setToolTip(QStringLiteral(
        "Your impressions about this software interest me:\nClick to send them to me ! "));

    QFont linkFont = pixelFont(font().family(), 19);
    linkFont.setBold(true);
    linkFont.setUnderline(true);
    Label1 = makeLabel(FPanel1, QRect(32, 112, 227, 23), linkFont, QColor(255, 128, 64));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setText(QString::fromLatin1(ProjectContact::WebLabel));
    Label1->setToolTip(QStringLiteral("Visit the Ventaro project page"));

    // The hand belongs to the two links only, so it can never outlive them.
    for (QLabel *link : {Label1, Label2}) {
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }

    lblVersion = makeLabel(FPanel1, QRect(32, 144, 225, 15),
                           pixelFont(QStringLiteral("Arial Black"), 11, QFont::SansSerif),
                           QColor(0, 255, 0));
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setAlignment(Qt::AlignCenter);
    lblVersion->setText(QStringLiteral("lblVersion"));

    SpeedButton1 = new QPushButton(FPanel1);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setGeometry(80, 168, 129, 25);
    SpeedButton1->setFlat(true);
    QFont buttonFont = font();
    buttonFont.setBold(true);
    SpeedButton1->setFont(buttonFont);
    QPalette buttonPalette = SpeedButton1->palette();
    buttonPalette.setColor(QPalette::ButtonText, buttonPalette.color(QPalette::Light));
    SpeedButton1->setPalette(buttonPalette);
    SpeedButton1->setText(QStringLiteral("Close"));
    connect(SpeedButton1, &QPushButton::clicked, this, &TfmAbout::SpeedButton1Click);
}

void TfmAbout::FormCreate(const QString &version, const WindowTranslator &translate)
{
    if (translate)
        translate(this);
    // Set after the translation pass: the version line stays as it is.
    lblVersion->setText(versionText(version));
}

QString TfmAbout::versionText(const QString &version)
{
    const QStringList parts = version.trimmed().split(QLatin1Char('.'));
    QList<int> numbers;
    bool valid = !version.trimmed().isEmpty() && parts.size() <= VersionParts;
    for (const QString &part : parts) {
        if (!valid)
            break;
        bool ok = false;
        const uint n = part.toUInt(&ok, 10);
        // Digits only: no sign, no blanks inside.
        valid = ok && !part.isEmpty() && part.front().isDigit() && n <= MaxVersionPart;
        numbers.append(int(n));
    }
    if (!valid)
        return QStringLiteral("Version: unknown");
    while (numbers.size() < VersionParts)
        numbers.append(0);
    return QStringLiteral("Version: %1.%2.%3.%4")
        .arg(numbers[0])
        .arg(numbers[1])
        .arg(numbers[2])
        .arg(numbers[3]);
}

bool TfmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && (watched == Label1 || watched == Label2)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const auto *label = static_cast<QWidget *>(watched);
        if (mouse->button() == Qt::LeftButton
            && label->rect().contains(mouse->position().toPoint())) {
            if (watched == Label1)
                Label1Click();
            else
                Label2Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfmAbout::Label1Click()
{
    m_openUrl(webUrl());
}

void TfmAbout::Label2Click()
{
    m_openUrl(mailUrl());
}

void TfmAbout::SpeedButton1Click()
{
    close();
}
