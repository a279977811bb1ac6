#include "framework/afxobject.h"

const CRuntimeClass CObject::classCObject = {"CObject", (int)sizeof(CObject), nullptr};

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
        if (c == base) return true;
    return false;
}

bool CObject::IsKindOf(const CRuntimeClass* runtimeClass) const {
    return GetRuntimeClass()->IsDerivedFrom(runtimeClass);
}
