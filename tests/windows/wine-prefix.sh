# zv_wine_prefix <new prefix>: a fresh Wine prefix, copied from a template
# that is made once per build ($ZV_WINE_TEMPLATE), with a CD-ROM drive D:
# beside the fixed C: so the drive finder has something to leave out.
zv_wine_prefix() {
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
    template=${ZV_WINE_TEMPLATE:?}
    (
        flock 9
        if [ ! -f "$template/system.reg" ]; then
            rm -rf "$template"; mkdir -p "$template/cdrom"
            WINEPREFIX=$template wineboot -i >/dev/null 2>&1
            WINEPREFIX=$template wine reg add 'HKLM\Software\Wine\Drives' /v d: /d cdrom /f >/dev/null 2>&1
            ln -sfn ../cdrom "$template/dosdevices/d:"
            WINEPREFIX=$template wineserver -w
        fi
    ) 9>"$template.lock"
    cp -a "$template" "$1"
    export WINEPREFIX=$1
}
