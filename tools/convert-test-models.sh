#!/usr/bin/env bash
# Runs modelconvert over the test models of Debian's assimp-testmodels package
# (installed if missing), assets that nobody here made, and checks every model
# it writes with modelinspect. Reports how many converted, how many were
# refused and why, and every crash, hang and sanitizer report.
#
# Usage: tools/convert-test-models.sh [--sample] [--no-build] [BUILD_DIR]
#   --sample    a small fixed set of files, each with the outcome it must
#               have (CI runs this)
#   --no-build  use the tools already in BUILD_DIR instead of building them
#   BUILD_DIR   the build with modelconvert and modelinspect (build-tests)
#
# Exit code 0 when nothing crashed, hung or drew a sanitizer report, every
# written model passed modelinspect, and (whole package) at least 95 % of the
# files that the import library reads into meshes with faces converted, or
# (sample) every file had its outcome.
set -uo pipefail
cd "$(dirname "$0")/.."

sample=no
build_tools=yes
while [ $# -gt 0 ]; do
    case "$1" in
        --sample) sample=yes ;;
        --no-build) build_tools=no ;;
        -*) echo "usage: $0 [--sample] [--no-build] [BUILD_DIR]" >&2; exit 2 ;;
        *) break ;;
    esac
    shift
done
build="${1:-build-tests}"
models=/usr/share/assimp/models

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
if ! installed assimp-testmodels; then
    echo "Installing: assimp-testmodels"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        assimp-testmodels >/dev/null || { echo "cannot install assimp-testmodels" >&2; exit 1; }
fi
if [ $build_tools = yes ]; then
    cmake --build "$build" -j"$(nproc)" --target modelconvert modelinspect >/dev/null || exit 1
fi
convert="$build/content/tools/modelconvert/modelconvert"
inspect="$build/content/tools/modelinspect/modelinspect"
for tool in "$convert" "$inspect"; do
    [ -x "$tool" ] || { echo "no $tool: build it first" >&2; exit 1; }
done

# The sample: one file per kind of outcome worth keeping.
sample_files=(
    "converted glTF2/BoxTextured-glTF-Binary/BoxTextured.glb"   # embedded PNG
    "converted OBJ/concave_polygon.obj"                         # a ring: concave
    "converted OBJ/box_UTF16BE.obj"                             # UTF-16 text
    "converted OBJ/spider.obj"                                  # JPEG textures beside it
    "converted FBX/box_orphant_embedded_texture.fbx"            # embedded TGA
    "converted MDL/MDL (HL1)/man.mdl"                           # embedded texels
    "converted glTF/BoxTextured-glTF/BoxTextured.gltf"          # no diffuse colour
    "refused OpenGEX/light_issue1262.ogex"                      # lights only
    "refused Collada/cameras.dae"                               # cameras only
    "refused OBJ/testpoints.obj"                                # points only
    "refused glTF2/wrongTypes/badArray.gltf"                    # malformed
)

# Files the import library may read, by the extensions it lists.
extensions="3d 3ds 3mf ac ac3d acc amf ase ask assbin b3d blend bsp bvh cob csm dae dxf enff fbx
glb gltf hmp ifc ifczip iqm irr irrmesh lwo lws lxo md2 md3 md5anim md5camera md5mesh mdc mdl
mesh mot ms3d ndo nff obj off ogex pk3 ply pmx prj q3o q3s raw scn sib smd step stl stp ter uc
vta x x3d x3db xgl xml zae zgl"
candidates() {
    local pattern=()
    for e in $extensions; do pattern+=(-o -iname "*.$e"); done
    (cd "$models" && find . -type f \( -false "${pattern[@]}" \) | sed 's|^\./||' | LC_ALL=C sort)
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1

converted=0 refused=0 failed=0 number=0
: >"$work/reasons"
: >"$work/problems"

# Runs one file; prints its outcome: converted, refused or failed.
run_one() {
    local file="$1" out="$work/$number"
    mkdir -p "$out"
    timeout 300 "$convert" "$models/$file" "$out/model.mdl" >"$out/stdout" 2>"$out/stderr"
    local code=$?
    if grep -qE 'Sanitizer|runtime error:' "$out/stderr"; then
        echo "$file: sanitizer report" >>"$work/problems"
        sed 's/^/    /' "$out/stderr" | head -40 >>"$work/problems"
        echo failed
    elif [ $code -eq 124 ]; then
        echo "$file: hung (stopped after 300 s)" >>"$work/problems"; echo failed
    elif [ $code -eq 0 ]; then
        if ! timeout 300 "$inspect" "$out/model.mdl" >/dev/null 2>"$out/inspect"; then
            echo "$file: converted, but modelinspect refuses the model" >>"$work/problems"
            echo failed
        else
            echo converted
        fi
    elif [ $code -eq 1 ] && [ -s "$out/stderr" ]; then
        # The reason without the file's path, so that alike reasons group.
        local reason
        reason=$(grep -v -e '^modelconvert: note:' -e '^modelconvert: warning:' "$out/stderr" |
                 tail -1 | sed -e 's/^modelconvert: //' -e "s|'$models/$file'|FILE|g")
        printf '%s\t%s\n' "$reason" "$file" >>"$work/reasons"
        echo refused
    else
        echo "$file: exit code $code" >>"$work/problems"
        sed 's/^/    /' "$out/stderr" | head -20 >>"$work/problems"
        echo failed
    fi
}

mismatches=0
if [ $sample = yes ]; then
    for entry in "${sample_files[@]}"; do
        expected="${entry%% *}" file="${entry#* }"
        number=$((number + 1))
        outcome=$(run_one "$file")
        case $outcome in
            converted) converted=$((converted + 1)) ;;
            refused) refused=$((refused + 1)) ;;
            *) failed=$((failed + 1)) ;;
        esac
        if [ "$outcome" != "$expected" ]; then
            echo "$file: $outcome, expected $expected"
            mismatches=$((mismatches + 1))
        fi
    done
    # The embedded texture comes out as a TGA file that the model names.
    glb_out="$work/1"
    if ! ls "$glb_out"/*.tga >/dev/null 2>&1 ||
       ! "$inspect" "$glb_out/model.mdl" | grep -q '^  0: model_.*\.tga'; then
        echo "BoxTextured.glb: no TGA file beside the model, or the model does not name it"
        mismatches=$((mismatches + 1))
    fi
else
    while IFS= read -r file; do
        number=$((number + 1))
        case $(run_one "$file") in
            converted) converted=$((converted + 1)) ;;
            refused) refused=$((refused + 1)) ;;
            *) failed=$((failed + 1)) ;;
        esac
    done < <(candidates)
fi

echo "Files: $number; converted $converted, refused $refused, crashed, hung or reported $failed"
if [ -s "$work/reasons" ]; then
    echo "Refusals, by reason:"
    cut -f1 "$work/reasons" | sed 's/: .*//' | sort | uniq -c | sort -rn
    echo "Every refusal:"
    sort "$work/reasons" | awk -F'\t' '{ print "  " $2 ": " $1 }'
fi
if [ -s "$work/problems" ]; then
    echo "Problems:"
    cat "$work/problems"
fi

# Two shares. The first counts the files that the import library reads into
# a scene with meshes: every refusal of those is the converter's. The second
# also counts the files it cannot read at all, or finds nothing in, for which
# it cannot be told whether they hold any mesh.
reasons() { cut -f1 "$work/reasons"; }
holding_none=$(reasons | grep -cE '^FILE (has no meshes: [0-9]|has no meshes: only|has no meshes: 1 material|has no faces to convert: (its meshes hold only|no node)|is empty|is an MDL sequence file)')
unknown=$(reasons | grep -cE '^cannot read FILE|^FILE has no meshes: the importer found nothing')
read_with_faces=$((converted + refused - holding_none - unknown))
maybe_with_faces=$((number - holding_none))
share() { echo $(($2 > 0 ? 1000 * $1 / $2 : 1000)); }
status=0
[ $failed -eq 0 ] || status=1
if [ $sample = yes ]; then
    [ $mismatches -eq 0 ] || status=1
else
    read_share=$(share $converted $read_with_faces)
    maybe_share=$(share $converted $maybe_with_faces)
    echo "Converted $converted of the $read_with_faces files read into meshes with faces:" \
         "$((read_share / 10)).$((read_share % 10)) %"
    echo "Converted $converted of the $maybe_with_faces files not known to hold no mesh with faces:" \
         "$((maybe_share / 10)).$((maybe_share % 10)) %"
    [ "$read_share" -ge 950 ] || status=1
fi
exit $status
