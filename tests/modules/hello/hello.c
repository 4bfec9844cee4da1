/* A test module: binds a native of its own class and replaces a kernel
   native, both through short class names. */
#include "modules_sdk/ruvel_module.h"

static const RuvelModuleHost* host;

/* Greeter.triple(x): 3 * x for an integer x. */
static void Triple(RuvelValue* self, int32_t argc, int32_t reserved) {
  (void)reserved;
  if (argc < 1) return;
  RuvelValue* x = host->argument(self, 1);
  host->setInt(self, x->tag == RUVEL_INT ? 3 * x->u.i : 0);
}

/* System._n_version replaced: the module answers 4242. */
static void Version(RuvelValue* self, int32_t argc, int32_t reserved) {
  (void)argc;
  (void)reserved;
  host->setInt(self, 4242);
}

void initModule(const RuvelModuleHost* h) {
  host = h;
  host->bindNative("Greeter", "triple", Triple);
  host->bindNative("System", "_n_version", Version);
  host->bindNative("NoSuchClass", "x", Version);
}
