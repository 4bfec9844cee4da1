/* The interface a module library sees: the value layout and the table of
   host callbacks passed to its exported "initModule". C, so modules may be
   written in C or C++. */
#ifndef RUVEL_MODULE_H
#define RUVEL_MODULE_H
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A script value: a tag byte and a 64-bit payload (16 bytes in all). */
enum { RUVEL_NULL = 0, RUVEL_INT = 1, RUVEL_FLOAT = 2, RUVEL_OBJECT = 3 };
typedef struct RuvelValue {
  uint8_t tag;
  uint8_t pad[7];
  union {
    int32_t i;
    float f;
    void* p;
    uint64_t bits;
  } u;
} RuvelValue;

/* A native: the receiver's slot (also the result slot), the argument count
   and a reserved 0. Use the callbacks to reach the arguments. */
typedef void (*RuvelModuleNative)(RuvelValue* self, int32_t argc, int32_t reserved);

typedef struct RuvelModuleHost {
  void (*bindNative)(const char* className, const char* nativeName, RuvelModuleNative handler);
  RuvelValue* (*receiver)(RuvelValue* self);
  RuvelValue* (*argument)(RuvelValue* self, int32_t index);
  void (*setValue)(RuvelValue* dst, const RuvelValue* src);
  void (*setInt)(RuvelValue* dst, int32_t i);
} RuvelModuleHost;

/* Every module library exports: void initModule(const RuvelModuleHost*); */

#ifdef __cplusplus
}
#endif
#endif
