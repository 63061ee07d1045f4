#pragma once

#include "GradientGeometry.h"

#include <QColor>
#include <QWidget>

enum TTextStyle : quint8 { tsShadow, tsNone, ts3D };
enum TAlignmentVertical : quint8 { avTop, avCenter, avBottom };
enum TPanelBevel : quint8 { BvNone, BvLowered, BvRaised, BvSpace };

// A container panel painted with a two-colour gradient in one of eight
// layouts, with bevels, a border and a caption that can carry a drop
// shadow or an embossed look.
class TFPanel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(Qt::Alignment Alignment READ Alignment WRITE setAlignment)
    Q_PROPERTY(TPanelBevel BevelInner READ BevelInner WRITE setBevelInner)
    Q_PROPERTY(TPanelBevel BevelOuter READ BevelOuter WRITE setBevelOuter)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE setBevelWidth)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE setBorderWidth)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE setCtl3D)
    Q_PROPERTY(QColor ColorStart READ ColorStart WRITE setColorStart)
    Q_PROPERTY(QColor ColorEnd READ ColorEnd WRITE setColorEnd)
    Q_PROPERTY(QColor ColorShadow READ ColorShadow WRITE setColorShadow)
    Q_PROPERTY(QColor Color3D READ Color3D WRITE setColor3D)
    Q_PROPERTY(int ShadowSize READ ShadowSize WRITE setShadowSize)
    Q_PROPERTY(TDirection Direction READ Direction WRITE setDirection)
    Q_PROPERTY(TTextStyle TextStyle READ TextStyle WRITE setTextStyle)
    Q_PROPERTY(
        TAlignmentVertical AlignmentVertical READ AlignmentVertical WRITE setAlignmentVertical)

public:
    // Pixels the ts3D copies are moved down-right (shadow) and up-left (highlight).
    static constexpr int Emboss = 1;
    static constexpr int MaxShadowSize = 255;

    explicit TFPanel(QWidget *parent = nullptr);

    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);
    // Horizontal placement of the caption: Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter.
    Qt::Alignment Alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    TPanelBevel BevelInner() const { return m_bevelInner; }
    void setBevelInner(TPanelBevel bevel);
    TPanelBevel BevelOuter() const { return m_bevelOuter; }
    void setBevelOuter(TPanelBevel bevel);
    int BevelWidth() const { return m_bevelWidth; }
    void setBevelWidth(int width);
    int BorderWidth() const { return m_borderWidth; }
    void setBorderWidth(int width);
    bool Ctl3D() const { return m_ctl3D; }
    void setCtl3D(bool on);

    QColor ColorStart() const { return m_colorStart; }
    void setColorStart(const QColor &color);
    QColor ColorEnd() const { return m_colorEnd; }
    void setColorEnd(const QColor &color);
    QColor ColorShadow() const { return m_colorShadow; }
    void setColorShadow(const QColor &color);
    QColor Color3D() const { return m_color3D; }
    void setColor3D(const QColor &color);
    int ShadowSize() const { return m_shadowSize; }
    // Also switches TextStyle to tsShadow.
    void setShadowSize(int size);
    TDirection Direction() const { return m_direction; }
    void setDirection(TDirection direction);
    TTextStyle TextStyle() const { return m_textStyle; }
    void setTextStyle(TTextStyle style);
    TAlignmentVertical AlignmentVertical() const { return m_alignmentVertical; }
    void setAlignmentVertical(TAlignmentVertical alignment);

    // The colour pair the gradient runs between, and its 100 steps.
    QColor GradientFrom() const { return fromPacked(m_gradient.first); }
    QColor GradientTo() const { return fromPacked(m_gradient.second); }
    const GradientGeometry::Table &GradientColors() const { return m_gradientColors; }

    static quint32 toPacked(const QColor &color);
    static QColor fromPacked(quint32 packed);

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    void rebuildGradient();
    void paintBevels(class QPainter &painter) const;
    void paintCaption(class QPainter &painter) const;

    QString m_caption;
    QColor m_color;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
    TPanelBevel m_bevelInner = BvNone;
    TPanelBevel m_bevelOuter = BvRaised;
    int m_bevelWidth = 1;
    int m_borderWidth = 0;
    bool m_ctl3D = true;

    QColor m_colorStart{0, 128, 128};
    QColor m_colorEnd{255, 255, 255};
    QColor m_colorShadow{0, 0, 0};
    QColor m_color3D{255, 255, 255};
    int m_shadowSize = 1;
    TDirection m_direction = drTopToBottom;
    TTextStyle m_textStyle = tsNone;
    TAlignmentVertical m_alignmentVertical = avCenter;

    std::pair<quint32, quint32> m_gradient;
    GradientGeometry::Table m_gradientColors{};
};
