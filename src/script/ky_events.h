#pragma once

// Native event bridges: a bridge object connects one event of a native object to a script
// procedure. Its Method() is the callable the native object stores; firing it passes the
// native arguments to the procedure and takes by-reference results back.
//
// Both ends are held by handle, and the callable holds only the bridge's handle: a freed
// bridge, instance or procedure turns the callable into a no-op, never a dangling call.
// A native object should call a copy of its stored callable (if (auto f = OnClick) f(this))
// so that a handler that reassigns the event does not destroy the running callable.

#include "ky_classes.h"

#include <rtl/kavObject.h>
#include <rtl/kavVariant.h>

#include <QChar>
#include <QString>

#include <functional>
#include <memory>
#include <span>
#include <type_traits>

class TkyProcVariable;

// The common part: the instance, the procedure and the event's name.
class TkyCustomEvent : public TObject
{
public:
    TkyCustomEvent(TObject &Instance, TkyProcVariable &Handler);
    ~TkyCustomEvent() override;

    // The native object served, or nullptr once it is destroyed.
    TObject *Instance() const;
    // The script procedure, or nullptr once it is destroyed.
    TkyProcVariable *Handler() const;
    // The event member's name ("OnClick"), used to find this bridge again on reassignment.
    const QString &EventName() const { return FEventName; }
    void SetEventName(const QString &value) { FEventName = value; }

    // Runs the procedure with the first arguments (as many as it declares parameters);
    // by-reference parameters are copied back into Args. Returns the number of arguments
    // passed, or -1 when nothing ran (the procedure is executing already, or the instance
    // or the procedure is gone). Must not touch this bridge after the call: the script
    // may reassign the event and free the bridge while it runs.
    int InvokeHandler(std::span<Variant> Args);

protected:
    // A callable with the native signature that forwards to Bridge's DoEvent while the
    // bridge lives and does nothing afterwards.
    template <class B, class... A>
    static std::function<void(A...)> bindMethod(const B &Bridge)
    {
        return [handle = Bridge.Handle()](A... args) {
            if (auto *bridge = dynamic_cast<B *>(TObject::FromHandle(handle)))
                bridge->DoEvent(std::forward<A>(args)...);
        };
    }

private:
    quint64 FInstance;
    quint64 FHandler;
    QString FEventName;
};

// (Sender)
class TkyNotifyEvent : public TkyCustomEvent
{
public:
    using TMethod = std::function<void(TObject *Sender)>;
    using TkyCustomEvent::TkyCustomEvent;
    TMethod Method() const { return bindMethod<TkyNotifyEvent, TObject *>(*this); }
    void DoEvent(TObject *Sender);
};

// (Sender, Button: 0 left, 1 right, 2 middle; Shift; X; Y)
class TkyMouseEvent : public TkyCustomEvent
{
public:
    using TMethod = std::function<void(TObject *Sender, int Button, int Shift, int X, int Y)>;
    using TkyCustomEvent::TkyCustomEvent;
    TMethod Method() const
    {
        return bindMethod<TkyMouseEvent, TObject *, int, int, int, int>(*this);
    }
    void DoEvent(TObject *Sender, int Button, int Shift, int X, int Y);
};

// (Sender, Shift, X, Y)
class TkyMouseMoveEvent : public TkyCustomEvent
{
public:
    using TMethod = std::function<void(TObject *Sender, int Shift, int X, int Y)>;
    using TkyCustomEvent::TkyCustomEvent;
    TMethod Method() const
    {
        return bindMethod<TkyMouseMoveEvent, TObject *, int, int, int>(*this);
    }
    void DoEvent(TObject *Sender, int Shift, int X, int Y);
};

// (Sender, var Key, Shift): Key is taken back as an integer.
class TkyKeyEvent : public TkyCustomEvent
{
public:
    using TMethod = std::function<void(TObject *Sender, quint16 &Key, int Shift)>;
    using TkyCustomEvent::TkyCustomEvent;
    TMethod Method() const { return bindMethod<TkyKeyEvent, TObject *, quint16 &, int>(*this); }
    void DoEvent(TObject *Sender, quint16 &Key, int Shift);
};

// (Sender, var Key): Key goes as a one-character string and comes back as the first
// character of the result; an empty result leaves Key as it was.
class TkyKeyPressEvent : public TkyCustomEvent
{
public:
    using TMethod = std::function<void(TObject *Sender, QChar &Key)>;
    using TkyCustomEvent::TkyCustomEvent;
    TMethod Method() const { return bindMethod<TkyKeyPressEvent, TObject *, QChar &>(*this); }
    void DoEvent(TObject *Sender, QChar &Key);
};

// (Sender, var Action): the close action's ordinal.
class TkyCloseEvent : public TkyCustomEvent
{
public:
    using TMethod = std::function<void(TObject *Sender, int &Action)>;
    using TkyCustomEvent::TkyCustomEvent;
    TMethod Method() const { return bindMethod<TkyCloseEvent, TObject *, int &>(*this); }
    void DoEvent(TObject *Sender, int &Action);
};

// (Sender, var CanClose)
class TkyCloseQueryEvent : public TkyCustomEvent
{
public:
    using TMethod = std::function<void(TObject *Sender, bool &CanClose)>;
    using TkyCustomEvent::TkyCustomEvent;
    TMethod Method() const { return bindMethod<TkyCloseQueryEvent, TObject *, bool &>(*this); }
    void DoEvent(TObject *Sender, bool &CanClose);
};

// (Sender, var NewWidth, var NewHeight, var Resize)
class TkyCanResizeEvent : public TkyCustomEvent
{
public:
    using TMethod
        = std::function<void(TObject *Sender, int &NewWidth, int &NewHeight, bool &Resize)>;
    using TkyCustomEvent::TkyCustomEvent;
    TMethod Method() const
    {
        return bindMethod<TkyCanResizeEvent, TObject *, int &, int &, bool &>(*this);
    }
    void DoEvent(TObject *Sender, int &NewWidth, int &NewHeight, bool &Resize);
};

// The factory of bridge class B, for TkyClassVariable::AddEvent.
template <class B>
TkyEventFactory kyEventFactory()
{
    static_assert(std::is_base_of_v<TkyCustomEvent, B>);
    return [](TObject &Instance, TkyProcVariable &Handler) -> std::unique_ptr<TkyCustomEvent> {
        return std::make_unique<B>(Instance, Handler);
    };
}

// A setter storing B's Method() in the callable member Field of class T (or clearing it).
// An instance of another class is left alone.
template <class B, class T, class F>
TkyEventSetter kyEventSetter(F T::*Field)
{
    return [Field](TObject &Instance, TkyCustomEvent *Bridge) {
        if (auto *obj = dynamic_cast<T *>(&Instance)) {
            auto *bridge = dynamic_cast<B *>(Bridge);
            obj->*Field = bridge ? F(bridge->Method()) : F();
        }
    };
}

// The same through a setter member function of T taking the callable.
template <class B, class T, class Arg>
TkyEventSetter kyEventSetter(void (T::*Setter)(Arg))
{
    using F = std::remove_cvref_t<Arg>;
    return [Setter](TObject &Instance, TkyCustomEvent *Bridge) {
        if (auto *obj = dynamic_cast<T *>(&Instance)) {
            auto *bridge = dynamic_cast<B *>(Bridge);
            (obj->*Setter)(bridge ? F(bridge->Method()) : F());
        }
    };
}
