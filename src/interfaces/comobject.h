// SPDX-License-Identifier: MIT
// Creatable outside classes, looked up by class name as a component server would.
#pragma once

#include "quenlockerror.h"

#include <QString>
#include <functional>
#include <memory>

// Base of every object that the system creates by name (wrappers, activity
// log, folder records, pickers, the regular-expression control).
class ComObject
{
public:
    virtual ~ComObject() = default;
};

namespace ClassFactory {

using Creator = std::function<std::unique_ptr<ComObject>()>;

// Registers (or, with an empty creator, removes) the class behind a name.
// The host registers the platform's classes at start-up; tests register doubles.
void registerClass(const QString &progId, Creator creator);

// Creates an instance; throws "ActiveX component can't create object" when
// nothing is registered under the name.
std::unique_ptr<ComObject> createObject(const QString &progId);

template <class T>
std::unique_ptr<T> create(const QString &progId)
{
    std::unique_ptr<ComObject> object = createObject(progId);
    T *typed = dynamic_cast<T *>(object.get());
    if (!typed)
        throw QuenlockError(QStringLiteral("Object doesn't support this property or method"));
    object.release();
    return std::unique_ptr<T>(typed);
}

} // namespace ClassFactory
