#pragma once
// CObject with run-time class information: a class name and its base, for IsKindOf.

class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    const CRuntimeClass* m_pBaseClass;
    bool IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    bool IsKindOf(const CRuntimeClass* runtimeClass) const;
    static const CRuntimeClass classCObject;
};

#define RUNTIME_CLASS(className) (&className::class##className)

// Type information only: such classes cannot be created from their run-time class.
#define DECLARE_DYNAMIC(className)                          \
public:                                                     \
    static const CRuntimeClass class##className;            \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(className, baseClassName)                                              \
    const CRuntimeClass className::class##className = {#className, (int)sizeof(className),     \
                                                       RUNTIME_CLASS(baseClassName)};          \
    const CRuntimeClass* className::GetRuntimeClass() const { return RUNTIME_CLASS(className); }
