#pragma once

// Reports built in code for the benchmarks: bands and memos added under a parent.

#include <report/kavComponent.h>
#include <report/kavViews.h>

#include <QString>

// A new component of class T under parent, uniquely named, at top with height.
template <class T>
T *kavBenchAdd(TkavComponent *parent, double top, double height)
{
    T *component = TkavComponent::Create<T>(parent);
    component->CreateUniqueName();
    component->SetTop(top);
    component->SetHeight(height);
    return component;
}

// A memo 18 pixels high at the band's top.
inline void kavBenchAddMemo(TkavComponent *band, double left, double width, const QString &text)
{
    auto *memo = kavBenchAdd<TkavMemoView>(band, 0, 18);
    memo->SetLeft(left);
    memo->SetWidth(width);
    memo->SetText(text);
}
