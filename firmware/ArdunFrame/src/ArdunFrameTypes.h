/* ArdunFrame for Arduino: what ArdunFrameWrite(out, object) tells apart by
 * type, with the compiler's built-ins, as AVR has no <type_traits>. */
#ifndef ARDUN_FRAME_TYPES_H
#define ARDUN_FRAME_TYPES_H

#include <Arduino.h>

/* Whether an object is its own bytes. GCC before 5 (the toolchain of some
 * older ARM cores) lacks __is_trivially_copyable but has the older pair. */
#if defined(__clang__) || (defined(__GNUC__) && __GNUC__ >= 5)
#define ARDUNFRAME_IS_OWN_BYTES(Type) __is_trivially_copyable(Type)
#else
#define ARDUNFRAME_IS_OWN_BYTES(Type) (__has_trivial_copy(Type) && __has_trivial_destructor(Type))
#endif

/* An object's type without reference, const or volatile. */
template <typename Type>
struct ArdunFrameBare {
    typedef Type type;
};
template <typename Type>
struct ArdunFrameBare<Type&> : ArdunFrameBare<Type> {
};
template <typename Type>
struct ArdunFrameBare<const Type> : ArdunFrameBare<Type> {
};
template <typename Type>
struct ArdunFrameBare<volatile Type> : ArdunFrameBare<Type> {
};
template <typename Type>
struct ArdunFrameBare<const volatile Type> : ArdunFrameBare<Type> {
};

/* A String, or a class made from one (String + String gives one). */
template <typename Type>
struct ArdunFrameIsString {
    enum { value = __is_base_of(String, Type) };
};
/* What F("...") points at. */
template <typename Type>
struct ArdunFrameIsFlashText {
    enum { value = 0 };
};
template <>
struct ArdunFrameIsFlashText<__FlashStringHelper> {
    enum { value = 1 };
};
/* False, but only once a template is instantiated. */
template <typename Type>
struct ArdunFrameNever {
    enum { value = 0 };
};
/* An argument that is a variable: a forwarding reference deduces it as a
 * reference. */
template <typename Type>
struct ArdunFrameIsVariable {
    enum { value = 0 };
};
template <typename Type>
struct ArdunFrameIsVariable<Type&> {
    enum { value = 1 };
};
template <typename Type>
struct ArdunFrameIsPointer {
    enum { value = 0 };
};
template <typename Type>
struct ArdunFrameIsPointer<Type*> {
    enum { value = 1 };
};

/* What ArdunFrameWrite(out, object) takes whole: a variable (of any type but
 * a pointer) or a value of a class. */
template <typename Object>
struct ArdunFrameTakesWhole {
    enum {
        value = (ArdunFrameIsVariable<Object>::value || __is_class(Object) || __is_union(Object)) &&
                !ArdunFrameIsPointer<typename ArdunFrameBare<Object>::type>::value
    };
};

template <bool Condition, typename Type = void>
struct ArdunFrameEnableIf {
};
template <typename Type>
struct ArdunFrameEnableIf<true, Type> {
    typedef Type type;
};

#endif /* ARDUN_FRAME_TYPES_H */
