# Sourced by the browser build's scripts: sets web_deps to the folder that
# holds the WebAssembly libraries. It lives outside the checkout, in the
# user's cache, so fresh clones reuse it; its name carries a stamp of the
# recipe (scripts/setup-web.sh) and of the compiler's version, so a changed
# recipe builds afresh beside the old one. RUVEL_WEB_DEPS_DIR overrides it.
web_cache=${XDG_CACHE_HOME:-$HOME/.cache}/ruvel
web_stamp=$( (cat "$(dirname "${BASH_SOURCE[0]}")/setup-web.sh"
              dpkg-query -W -f='${Version}' emscripten 2>/dev/null || true) | sha256sum | cut -c1-12)
web_deps=${RUVEL_WEB_DEPS_DIR:-$web_cache/web-deps-$web_stamp}
