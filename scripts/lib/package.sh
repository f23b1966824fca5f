# The download packages: what scripts/package writes and the package tests check. Sourced after
# common.sh, not executed.

# Set by the caller: the camera maker's driver library to bundle into the x86 user package, and
# the code-signing key (a PKCS#12 file), the file holding its password and a time-stamp server.
package_driver=""
sign_pfx=""
sign_password_file=""
sign_timestamp=""

# The driver's five functions with the bytes of their arguments on x86.
driver_functions=(Initialize_DriverInterface:0 GetCodeVersion:4 EraseSF:0 ReqToDriver:16
    UnInitialize_DriverInterface:0)

# Checks the driver library DLL from its file, without running it, as the x86 program would take
# it: a 32-bit DLL that exports each of the five functions under a name the program binds (plain,
# "Name@N" or "_Name@N"). Prints the DLLs it imports; on a refusal prints one line saying what is
# wrong, to the error output, and fails.
check_driver_library() {
    local dll=$1 kind headers exports function name size missing=()
    if [ ! -f "$dll" ]; then
        echo "RevezoDaRur.dll: there is no file $dll" >&2
        return 1
    fi
    kind=$(file -b "$dll")
    case "$kind" in
    *"(DLL)"*80386*) ;;
    *"(DLL)"*x86-64*)
        echo "RevezoDaRur.dll is a 64-bit library; the x86 program needs a 32-bit one" >&2
        return 1
        ;;
    *)
        echo "RevezoDaRur.dll is not a Windows DLL ($kind)" >&2
        return 1
        ;;
    esac
    headers=$(i686-w64-mingw32-objdump -p "$dll")
    # The names follow the "[Ordinal/Name Pointer] Table" heading, one "[ n] name" a line.
    exports=" $(awk '/\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
        table && /^[ \t]*\[ *[0-9]+\] / { sub(/^[ \t]*\[ *[0-9]+\] /, ""); print; next }
        { table = 0 }' <<<"$headers" | tr '\n' ' ')"
    for function in "${driver_functions[@]}"; do
        name=${function%:*}
        size=${function#*:}
        [[ "$exports" == *" $name "* || "$exports" == *" $name@$size "* || "$exports" == *" _$name@$size "* ]] ||
            missing+=("$name")
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "RevezoDaRur.dll does not export $(printf '%s\n' "${missing[@]}" | paste -sd, | sed 's/,/, /g')" >&2
        return 1
    fi
    echo "RevezoDaRur.dll imports: $(awk '/DLL Name:/ { print $3 }' <<<"$headers" | paste -sd, | sed 's/,/, /g')"
}

# Signs the Windows program or library FILE in place (Authenticode, SHA-256) with the key set
# above; the password is read from its file, never put on a command line.
sign_file() {
    local file=$1 timestamp=()
    [ -z "$sign_timestamp" ] || timestamp=(-ts "$sign_timestamp")
    osslsigncode sign -pkcs12 "$sign_pfx" -readpass "$sign_password_file" -h sha256 "${timestamp[@]}" \
        -n "Tervolin" -in "$file" -out "$file.signed" >/dev/null || return 1
    mv "$file.signed" "$file"
}

# Writes OUT_FOLDER/Tervolin-<version>-<x86|x64>.zip from the program folder BIN (the program, its
# two libraries of its own, lang/ and the read-me for users, under a folder named like the package)
# and prints its path. The x86 one carries $package_driver as RevezoDaRur.dll when it is set, with
# a read-me that says so; otherwise users take the camera maker's library. With "demo" as third
# argument it writes Tervolin-<version>-<arch>-demo.zip instead: the same with the virtual camera's
# driver library, vcam.exe and the demo read-me. The architecture is read from the program. Every
# program and library in it is signed first when $sign_pfx is set.
make_package() {
    local bin=$1 out=$2 kind=${3:-} arch name stage readme file bundled=absent
    case "$(file -b "$bin/Tervolin.exe")" in
    *80386*) arch=x86 ;;
    *x86-64*) arch=x64 ;;
    *) echo "make_package: $bin/Tervolin.exe is not a Windows program" >&2; return 1 ;;
    esac
    name="Tervolin-$(program_version)-$arch${kind:+-$kind}"
    stage=$(mktemp -d)
    mkdir -p "$stage/$name/lang" "$out"
    cp "$bin/Tervolin.exe" "$bin/ZARidezi.dll" "$bin/ravozev.dll" "$stage/$name/"
    cp "$bin"/lang/*.dll "$stage/$name/lang/"
    if [ "$kind" = demo ]; then
        cp "$bin/RevezoDaRur.dll" "$bin/vcam.exe" "$stage/$name/"
        readme=$(cat "$repo/res/DemoReadMe.txt")
    else
        if [ "$arch" = x86 ] && [ -n "$package_driver" ]; then
            cp "$package_driver" "$stage/$name/RevezoDaRur.dll"
            bundled=bundled
        fi
        # Lines marked [absent] or [bundled] are for a package without or with the driver library.
        readme=$(sed "/^\[$([ $bundled = bundled ] && echo absent || echo bundled)\] /d; s/^\[$bundled\] //" \
            "$repo/res/ReadMe.txt")
    fi
    sed 's/$/\r/' <<<"$readme" >"$stage/$name/ReadMe.txt"
    if [ -n "$sign_pfx" ]; then
        while IFS= read -r file; do
            sign_file "$file" || { rm -rf "$stage"; return 1; }
        done < <(find "$stage/$name" -type f \( -name '*.exe' -o -name '*.dll' \))
    fi
    rm -f "$out/$name.zip"
    (cd "$stage" && TZ=UTC find "$name" -exec touch -d '2000-01-01 00:00:00' {} + &&
        zip -q -X -r "$out/$name.zip" "$name")
    rm -rf "$stage"
    echo "$out/$name.zip"
}

# Writes every package of the program folders BIN... into OUT_FOLDER: a user package each, and the
# demo package of the x86 one; then OUT_FOLDER/SHA256SUMS, which `sha256sum -c` reads, listing
# them. A driver library to bundle is checked first: refused, no package is written. The packages
# of an earlier run go first, and the new ones arrive together once all are made and signed, so
# that a run that fails leaves none behind to be taken for its own.
write_packages() {
    local out=$1 bin kind staging zip zips=()
    shift
    if [ -n "$package_driver" ]; then
        check_driver_library "$package_driver" || return 1
    fi
    mkdir -p "$out"
    rm -f "$out"/Tervolin-*.zip "$out/SHA256SUMS"
    staging=$(mktemp -d)
    for bin in "$@"; do
        for kind in "" $(is_x86 "$bin/Tervolin.exe" && echo demo); do
            zip=$(make_package "$bin" "$staging" $kind) || { rm -rf "$staging"; return 1; }
            zips+=("$zip")
        done
    done
    (cd "$staging" && sha256sum "${zips[@]##*/}" >SHA256SUMS)
    mv "$staging"/* "$out/"
    rmdir "$staging"
    for zip in "${zips[@]}"; do
        echo "$out/${zip##*/}"
    done
}
