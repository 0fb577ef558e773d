#pragma once
// Defines a final GObject type whose C++ state lives in `TypeName##Private`:
// constructed (value-initialised) before the type's own init runs, destroyed
// after dispose, in finalize. The view supplies two functions:
//   static void type_name##_class_setup(TypeName##Class*)  — vfuncs, templates, actions
//   static void type_name##_setup(TypeName*)               — the instance's own init
// and reaches its state as self->priv. G_DECLARE_FINAL_TYPE goes in the header.

#include <glib-object.h>

#define NIMBREL_DEFINE_FINAL_TYPE(TypeName, type_name, PARENT_TYPE, ParentType) \
  struct _##TypeName {                                                          \
    ParentType parent_instance;                                                 \
    TypeName##Private* priv;                                                    \
  };                                                                            \
  G_DEFINE_FINAL_TYPE(TypeName, type_name, PARENT_TYPE)                         \
  static void type_name##_class_setup(TypeName##Class* klass);                  \
  static void type_name##_setup(TypeName* self);                                \
  static void type_name##_finalize(GObject* object) {                           \
    delete reinterpret_cast<TypeName*>(object)->priv;                           \
    G_OBJECT_CLASS(type_name##_parent_class)->finalize(object);                 \
  }                                                                             \
  static void type_name##_class_init(TypeName##Class* klass) {                  \
    G_OBJECT_CLASS(klass)->finalize = type_name##_finalize;                     \
    type_name##_class_setup(klass);                                             \
  }                                                                             \
  static void type_name##_init(TypeName* self) {                                \
    self->priv = new TypeName##Private();                                       \
    type_name##_setup(self);                                                    \
  }
