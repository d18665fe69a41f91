# Sourced by the sessions that take the guide's pictures (inside the Wine
# runner, $TARN_WINE set): the fonts the programs ask for drawn with
# IPAPGothic narrowed to their widths (scripts/photo-font.py), and window
# frames drawn by Wine itself, as Windows shows them (no window manager here).
photo_prefix() {
    local font
    font="$WINEPREFIX/drive_c/windows/Fonts/ipagp-narrow.ttf"
    if [[ ! "$font" -nt "$TARN_SCRIPTS_DIR/photo-font.py" ]]; then
        mkdir -p "$(dirname "$font")"
        /usr/bin/python3 "$TARN_SCRIPTS_DIR/photo-font.py" "$font" ||
            { echo "photo: the narrowed face could not be made" >&2; return 1; }
    fi
    for face in "ＭＳ Ｐゴシック" "MS PGothic" "MS UI Gothic" "ＭＳ ゴシック" "MS Gothic"; do
        "$TARN_WINE" reg.exe add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ \
            /d "IPAPGothic Narrow" /f >/dev/null 2>&1
    done
    "$TARN_WINE" reg.exe add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        >/dev/null 2>&1
    "$TARN_WINE" reg.exe add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f \
        >/dev/null 2>&1
}
