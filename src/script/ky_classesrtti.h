#pragma once

// The basic-classes library module: objects, lists, string lists, streams and the script
// XML classes for scripts, with the file-mode and seek constants. Objects a script creates
// belong to the script; Free refuses objects that belong to the host.

#include <rtl/kavVariant.h>

class TObject;

class TkavClassInfo;
class TkyMethodHelper;

// Registers the module with the library (once; later calls do nothing).
void kyRegisterClassesModule();

// The constructor every library class shares: a new object of the class the script named,
// belonging to the script; EkyError "Cannot create an instance of <class>" for classes
// that cannot be created (abstract ones).
Variant kyCreateObject(const TkavClassInfo *cls, TkyMethodHelper &m);
// The Free every library class shares: a component owned by another goes through its
// owner, anything else must belong to the script (EkyError "Cannot free this object"
// for the host's objects); nil does nothing.
void kyFreeObject(TObject *obj, TkyMethodHelper &m);

// Objects scripts put into string lists, remembered with their handles: the reference read
// back for an address is stale (an error on use) once its object died, instead of a
// dangling address.
void kyRememberListedObject(TObject *object);
Variant kyListedObjectRef(TObject *object);
