#include "ky_events.h"

#include "ky_procedures.h"

#include <rtl/kavLimits.h>

#include <algorithm>
#include <array>
#include <new>

namespace {

// Number of parameters the procedure declares (its leading parameter items).
int paramCount(const TkyProcVariable &proc)
{
    int n = 0;
    while (n < proc.Count() && dynamic_cast<TkyParamItem *>(proc.Items(n)))
        ++n;
    return n;
}

// Argument i came back from the procedure (it had that parameter).
bool returned(int passed, int i)
{
    return passed > i;
}

} // namespace

TkyCustomEvent::TkyCustomEvent(TObject &Instance, TkyProcVariable &Handler)
    : FInstance(Instance.Handle())
    , FHandler(Handler.Handle())
{}

TkyCustomEvent::~TkyCustomEvent() = default;

TObject *TkyCustomEvent::Instance() const
{
    return TObject::FromHandle(FInstance);
}

TkyProcVariable *TkyCustomEvent::Handler() const
{
    return dynamic_cast<TkyProcVariable *>(TObject::FromHandle(FHandler));
}

int TkyCustomEvent::InvokeHandler(std::span<Variant> Args)
{
    TkyProcVariable *proc = Handler();
    // A procedure already running (the event fired from inside its own handler) is not
    // entered again.
    if (!proc || !Instance() || proc->Executing())
        return -1;
    const int passed = std::min(int(Args.size()), paramCount(*proc));
    try {
        proc->Call(Args.first(size_t(passed)));
    } catch (const std::bad_alloc &) {
        // The native event's sender sees a script error, never a bare allocation failure.
        kavRaise<EOutOfMemory>(QString::fromUtf16(kavOutOfMemoryMessage));
    }
    return passed;
}

void TkyNotifyEvent::DoEvent(TObject *Sender)
{
    std::array<Variant, 1> args{Variant::FromObject(Sender)};
    InvokeHandler(args);
}

void TkyMouseEvent::DoEvent(TObject *Sender, int Button, int Shift, int X, int Y)
{
    // Shift: the shift-state bits, low 8 only.
    std::array<Variant, 5> args{Variant::FromObject(Sender), Button, Shift & 0xFF, X, Y};
    InvokeHandler(args);
}

void TkyMouseMoveEvent::DoEvent(TObject *Sender, int Shift, int X, int Y)
{
    std::array<Variant, 4> args{Variant::FromObject(Sender), Shift & 0xFF, X, Y};
    InvokeHandler(args);
}

void TkyKeyEvent::DoEvent(TObject *Sender, quint16 &Key, int Shift)
{
    std::array<Variant, 3> args{Variant::FromObject(Sender), int(Key), Shift & 0xFF};
    if (returned(InvokeHandler(args), 1))
        Key = quint16(args[1].AsInteger());
}

void TkyKeyPressEvent::DoEvent(TObject *Sender, QChar &Key)
{
    std::array<Variant, 2> args{Variant::FromObject(Sender), QString(Key)};
    if (returned(InvokeHandler(args), 1)) {
        const QString key = VarToStr(args[1]);
        if (!key.isEmpty())
            Key = key.at(0);
    }
}

void TkyCloseEvent::DoEvent(TObject *Sender, int &Action)
{
    std::array<Variant, 2> args{Variant::FromObject(Sender), Action};
    if (returned(InvokeHandler(args), 1))
        Action = args[1].AsInteger();
}

void TkyCloseQueryEvent::DoEvent(TObject *Sender, bool &CanClose)
{
    std::array<Variant, 2> args{Variant::FromObject(Sender), CanClose};
    if (returned(InvokeHandler(args), 1))
        CanClose = args[1].AsBoolean();
}

void TkyCanResizeEvent::DoEvent(TObject *Sender, int &NewWidth, int &NewHeight, bool &Resize)
{
    std::array<Variant, 4> args{Variant::FromObject(Sender), NewWidth, NewHeight, Resize};
    const int passed = InvokeHandler(args);
    if (returned(passed, 1))
        NewWidth = args[1].AsInteger();
    if (returned(passed, 2))
        NewHeight = args[2].AsInteger();
    if (returned(passed, 3))
        Resize = args[3].AsBoolean();
}
