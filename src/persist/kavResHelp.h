#pragma once

// The window classes that have a page of their own in the user guide (the others open its
// contents page).

#include <QStringList>

QStringList kavHelpTopicClasses();
