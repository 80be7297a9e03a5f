#!/usr/bin/env bash
# Builds a scratch tree with one fault per layering rule and expects the
# checker to name each of them; a clean tree must pass.
set -euo pipefail
checker=$1
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp"/{platform,app,rules,sound,wlib,store}
echo '#include <SDL2/SDL.h>' > "$tmp/platform/Ok.cpp"
echo '#include <SDL.h>' > "$tmp/app/Ok.cpp"
echo '#include "SDLish/Thing.h"' > "$tmp/wlib/NotSdl.cpp"
echo '#include "store/Options.h"' > "$tmp/rules/Ok.cpp"
"$checker" "$tmp" > /dev/null || { echo "clean tree rejected"; exit 1; }
# Every way SDL's headers are commonly named: through the SDL2/ prefix, or
# bare as pkg-config's include path allows, in either kind of quotes.
echo '#include <SDL2/SDL.h>' > "$tmp/wlib/Bad.cpp"
echo '#include <SDL.h>' > "$tmp/wlib/BareSdl.cpp"
echo '  #  include "SDL_audio.h"' > "$tmp/store/QuotedSdl.h"
echo '#include <SDL2/SDL_syswm.h>' > "$tmp/rules/SdlPart.cpp"
echo '#include "wlib/App.h"' > "$tmp/rules/Bad.cpp"
echo '#include "platform/Audio.h"' > "$tmp/sound/Bad.cpp"
out=$("$checker" "$tmp" || true)
for want in 'wlib/Bad.cpp' 'wlib/BareSdl.cpp' 'store/QuotedSdl.h' 'rules/SdlPart.cpp' \
            'rules/Bad.cpp' 'sound/Bad.cpp'; do
  grep -q "$want" <<<"$out" || { echo "checker missed $want"; echo "$out"; exit 1; }
done
echo "checker caught every fault"
