"""Stage 1: download the allowed Debian packages into the cache and unpack
them, including the audio inside zip/pk3/wz/orgue archives.

Only the packages listed in PACKAGES are used for training and validation;
every other package with audio is kept for independent evaluation."""
import subprocess
import zipfile

from common import AUDIO_SUFFIXES, CACHE

PACKAGES = [
    "asterisk-core-sounds-en-wav", "asterisk-core-sounds-es-wav", "asterisk-core-sounds-fr-wav",
    "asterisk-core-sounds-it-wav", "asterisk-core-sounds-ru-wav",
    "asterisk-prompt-it-menardi-wav", "asterisk-prompt-fr-armelle", "asterisk-prompt-es-co",
    "fillets-ng-data-cs", "klettres-data", "ktuberling-data", "kajongg",
    "wesnoth-1.16-music", "warzone2100-music", "drascula-music", "naev-data", "colobot-common-sounds",
    "0ad-data", "megaglest-data", "wesnoth-1.16-data", "minetest-data", "flightgear-data-base",
    "openarena-data", "nexuiz-data", "warzone2100-data", "bucklespring-data",
    "hydrogen-drumkits", "hydrogen-drumkits-effects", "grandorgue-demo",
]
ARCHIVE_SUFFIXES = {".zip", ".pk3", ".wz", ".orgue"}


def fetch():
    debs = CACHE / "debs"
    debs.mkdir(parents=True, exist_ok=True)
    for package in PACKAGES:
        if not list(debs.glob(f"{package}_*.deb")):
            subprocess.run(["apt-get", "download", package], cwd=debs, check=True)
    unpacked = CACHE / "unpacked"
    unpacked.mkdir(exist_ok=True)
    for package in PACKAGES:
        target = unpacked / package
        if target.exists():
            continue
        deb = sorted(debs.glob(f"{package}_*.deb"))[-1]
        subprocess.run(["dpkg", "-x", str(deb), str(target) + ".part"], check=True)
        (unpacked / (package + ".part")).rename(target)
    # Audio inside archives goes to <archive>.d/, next to the archive.
    for archive in unpacked.rglob("*"):
        if archive.suffix.lower() not in ARCHIVE_SUFFIXES or not archive.is_file():
            continue
        out = archive.with_name(archive.name + ".d")
        if out.exists():
            continue
        part = archive.with_name(archive.name + ".d.part")
        try:
            with zipfile.ZipFile(archive) as z:
                members = [n for n in z.namelist() if "." + n.rsplit(".", 1)[-1].lower() in AUDIO_SUFFIXES]
                z.extractall(part, members)
        except zipfile.BadZipFile:
            continue
        part.mkdir(exist_ok=True)  # also when the archive holds no audio
        part.rename(out)


if __name__ == "__main__":
    fetch()
