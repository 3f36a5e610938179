#pragma once

// TkavRuler: the scale along the top or the left of the page surface, in the designer's
// units, with a mark at the mouse position. Dragging from it onto a report page creates a
// guide (from the left ruler a vertical one).

#include <QWidget>

enum TkavRulerUnits : int {
    ruCM,
    ruInches,
    ruPixels,
    ruChars
};

class TkavRuler : public QWidget
{
public:
    TkavRuler(Qt::Orientation orientation, QWidget *parent = nullptr);

    Qt::Orientation Orientation() const { return FOrientation; }
    // Screen pixel of the page's printable origin along the ruler (scroll position included).
    double Offset() const { return FOffset; }
    void SetOffset(double Value);
    double Scale() const { return FScale; }
    void SetScale(double Value);
    // The position along the ruler where unit 0 is, in report pixels (a margin may lie before).
    double Start() const { return FStart; }
    void SetStart(double Value);
    TkavRulerUnits Units() const { return FUnits; }
    void SetUnits(TkavRulerUnits Value);
    // The mouse position mark, in screen pixels along the ruler (-1: none).
    int Position() const { return FPosition; }
    void SetPosition(int Value);
    int Size() const { return FSize; }
    void SetSize(int Value);

    // Report pixels per unit and the step between labelled ticks.
    static double UnitPixels(TkavRulerUnits units);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    QSize sizeHint() const override;

private:
    Qt::Orientation FOrientation;
    double FOffset = 0;
    double FScale = 1;
    double FStart = 0;
    TkavRulerUnits FUnits = ruCM;
    int FPosition = -1;
    int FSize = 0;
    QPoint FPressed;
    bool FDragging = false;
};
