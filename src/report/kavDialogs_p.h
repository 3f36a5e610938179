#pragma once

// What the dialog page and the dialog controls share inside the report folder: the entries
// every dialog control publishes and the groups of control events.

#include "kavDialogs.h"

#include <QStringLiteral>

// Left, Top, Width, Height, Font, GroupIndex, ParentFont, Enabled, Hint, ShowHint, Visible.
template <class T>
void kavPublishDialogControlBase(TkavPropBuilder<T> &p)
{
    using C = TkavDialogControl;
    kavPublishLeft(p);
    kavPublishTop(p);
    kavPublishWidth(p);
    kavPublishHeight(p);
    kavPublishFont(p);
    kavPublishGroupIndex(p);
    kavPublishParentFont(p).Default(true);
    p.Bool(QStringLiteral("Enabled"), &C::Enabled, &C::SetEnabled).Default(true);
    p.String(QStringLiteral("Hint"), &C::Hint, &C::SetHint);
    p.Bool(QStringLiteral("ShowHint"), &C::ShowHint, &C::SetShowHint).Default(false);
    kavPublishVisible(p).Default(true);
}

template <class T>
void kavPublishCaption(TkavPropBuilder<T> &p)
{
    p.String(QStringLiteral("Caption"), &TkavDialogControl::Caption, &TkavDialogControl::SetCaption,
             QStringLiteral("TCaption"));
}

template <class T>
void kavPublishControlColor(TkavPropBuilder<T> &p, TColor initial)
{
    p.Int(QStringLiteral("Color"), &TkavDialogControl::Color, &TkavDialogControl::SetColor)
        .TypeName(QStringLiteral("TColor"))
        .Default(initial);
}

template <class T>
void kavPublishTabStop(TkavPropBuilder<T> &p)
{
    p.Bool(QStringLiteral("TabStop"), &TkavDialogControl::TabStop, &TkavDialogControl::SetTabStop)
        .Default(true);
}

// Which events a control class publishes.
enum TkavControlEventGroup : int {
    egMouse = 1,    // OnClick, OnDblClick, OnMouseDown, OnMouseMove, OnMouseUp
    egKeyboard = 2, // OnEnter, OnExit, OnKeyDown, OnKeyPress, OnKeyUp
    egChange = 4    // OnChange
};

template <class T>
void kavPublishControlEvents(TkavPropBuilder<T> &p, int groups)
{
    using C = TkavDialogControl;
    const QString mouse = QStringLiteral("TkavMouseEvent");
    const QString move = QStringLiteral("TkavMouseMoveEvent");
    const QString key = QStringLiteral("TkavKeyEvent");
    if (groups & egChange)
        p.Event(QStringLiteral("OnChange"), &C::OnChange, &C::SetOnChange);
    if (groups & egMouse) {
        p.Event(QStringLiteral("OnClick"), &C::OnClick, &C::SetOnClick);
        p.Event(QStringLiteral("OnDblClick"), &C::OnDblClick, &C::SetOnDblClick);
    }
    if (groups & egKeyboard) {
        p.Event(QStringLiteral("OnEnter"), &C::OnEnter, &C::SetOnEnter);
        p.Event(QStringLiteral("OnExit"), &C::OnExit, &C::SetOnExit);
        p.Event(QStringLiteral("OnKeyDown"), &C::OnKeyDown, &C::SetOnKeyDown, key);
        p.Event(QStringLiteral("OnKeyPress"), &C::OnKeyPress, &C::SetOnKeyPress,
                QStringLiteral("TkavKeyPressEvent"));
        p.Event(QStringLiteral("OnKeyUp"), &C::OnKeyUp, &C::SetOnKeyUp, key);
    }
    if (groups & egMouse) {
        p.Event(QStringLiteral("OnMouseDown"), &C::OnMouseDown, &C::SetOnMouseDown, mouse);
        p.Event(QStringLiteral("OnMouseMove"), &C::OnMouseMove, &C::SetOnMouseMove, move);
        p.Event(QStringLiteral("OnMouseUp"), &C::OnMouseUp, &C::SetOnMouseUp, mouse);
    }
}
