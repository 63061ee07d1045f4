#include "FrontPanelRemote.h"

#include "RemoteHotSpots.h"
#include "RemotePicture.h"
#include "Sleeper.h"
#include "TVLManager.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>

namespace {

const char *const TagProperty = "Tag";

} // namespace

FrontPanelRemote::FrontPanelRemote(QFrame *panel, TVLManager *manager, Sleeper &sleeper,
                                   const ErrorGuard &guard, Timing timing)
    : QObject(panel), m_panel(panel), m_manager(manager), m_sleeper(sleeper), m_guard(guard),
      m_timing(timing)
{
    setObjectName(QStringLiteral("remote"));
    // Child positions count from inside the panel's border.
    const QPoint origin = panel->contentsRect().topLeft();

    m_image = new QLabel(panel);
    m_image->setObjectName(QStringLiteral("Image2"));
    m_image->setGeometry(QRect(origin, QSize(ImageWidth, ImageHeight)));
    m_image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_image->setPixmap(QPixmap::fromImage(RemotePicture::render()));

    for (const RemoteHotSpots::HotSpot &spot : RemoteHotSpots::All) {
        auto *label = new QLabel(panel);
        label->setObjectName(QString::fromLatin1(spot.name));
        label->setGeometry(spot.rect().translated(origin));
        label->setProperty(TagProperty, spot.tag);
        label->setToolTip(QString::fromLatin1(spot.hint));
        label->setCursor(Qt::PointingHandCursor);
        m_hotSpots[spot.tag] = label;
    }
    qApp->installEventFilter(this);
}

FrontPanelRemote::~FrontPanelRemote()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

QLabel *FrontPanelRemote::hotSpot(int tag) const
{
    return tag >= 0 && tag < int(m_hotSpots.size()) ? m_hotSpots[tag] : nullptr;
}

int FrontPanelRemote::tagOf(const QObject *label)
{
    const QVariant tag = label ? label->property(TagProperty) : QVariant();
    return tag.isValid() ? tag.toInt() : -1;
}

void FrontPanelRemote::lblPlayMouseDown(QLabel *sender)
{
    const int tag = tagOf(sender);
    if (tag < 0)
        return;
    m_manager->SendRemoteSwitch(quint8(tag), false);
    if (tag == RemoteHotSpots::PlayTag && m_timing.playPressWaitMs > 0)
        m_sleeper.sleep(m_timing.playPressWaitMs);
}

void FrontPanelRemote::lblPlayMouseUp(QLabel *sender)
{
    if (tagOf(sender) != RemoteHotSpots::PlayTag)
        return;
    if (m_timing.playReleaseWaitMs > 0)
        m_sleeper.sleep(m_timing.playReleaseWaitMs);
    m_manager->SendRemoteSwitch(RemoteHotSpots::PlayTag, true);
}

bool FrontPanelRemote::FormKeyDown(const QKeyEvent &event)
{
    const int tag = RemoteHotSpots::tagForKey(event);
    if (tag < 0)
        return false;
    lblPlayMouseDown(m_hotSpots[tag]);
    return true;
}

bool FrontPanelRemote::inHostWindow(const QObject *watched) const
{
    const auto *widget = qobject_cast<const QWidget *>(watched);
    return widget && widget->window() == m_panel->window();
}

bool FrontPanelRemote::isPropagation(const QEvent *event, const QObject *watched) const
{
    if (event != m_lastKey || event->type() != m_lastKeyType || !m_lastReceiver)
        return false;
    // Qt hands a key the focused control did not take on to its parents.
    const auto *widget = qobject_cast<const QWidget *>(watched);
    const auto *last = qobject_cast<const QWidget *>(m_lastReceiver.data());
    return widget && last && widget != last && widget->isAncestorOf(last);
}

bool FrontPanelRemote::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // The second click of a double click is a press too.
        if (tagOf(watched) >= 0 && watched->parent() == m_panel) {
            m_guard.run([&] { lblPlayMouseDown(static_cast<QLabel *>(watched)); });
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (tagOf(watched) >= 0 && watched->parent() == m_panel) {
            m_guard.run([&] { lblPlayMouseUp(static_cast<QLabel *>(watched)); });
            return true;
        }
        break;
    case QEvent::ShortcutOverride:
        // The remote's keys are never taken as shortcuts or mnemonics: the
        // key press then reaches the controls, and the remote, as a key.
        if (inHostWindow(watched)
            && RemoteHotSpots::tagForKey(*static_cast<QKeyEvent *>(event)) >= 0) {
            event->accept();
            return true;
        }
        break;
    case QEvent::KeyPress: {
        if (!inHostWindow(watched))
            break;
        const bool again = isPropagation(event, watched);
        m_lastKey = event;
        m_lastKeyType = event->type();
        m_lastReceiver = watched;
        if (!again) {
            const auto &key = *static_cast<QKeyEvent *>(event);
            m_guard.run([&] { FormKeyDown(key); });
        }
        break; // never consumed
    }
    case QEvent::KeyRelease:
        // Only this window's keys: an error box shown while a key is being
        // handled must not make its parents take the same key for a new one.
        if (inHostWindow(watched)) {
            m_lastKey = nullptr;
            m_lastReceiver = nullptr;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
