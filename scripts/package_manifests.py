#!/usr/bin/env python3
"""Writes the package managers' manifests of a release: winget's three files and Scoop's one.

    scripts/package_manifests.py build/windows/release.json [--out DIR]

release.json is written by CMake (cmake/packaging.cmake) from project(VERSION) and the package's
names; it also names the installer and the zip that `cpack` made beside it. The manifests carry
the SHA-256 of those very files, so they are made after cpack, by `make release`. Output, in DIR
(default: the folder of release.json, then manifests/):

    winget/<PackageIdentifier>/<version>/<PackageIdentifier>.yaml              (version)
    winget/<PackageIdentifier>/<version>/<PackageIdentifier>.installer.yaml    (installer)
    winget/<PackageIdentifier>/<version>/<PackageIdentifier>.locale.en-US.yaml (defaultLocale)
    scoop/tarquel.json

Everything but reading and writing the files is a pure function of the facts and the files'
bytes (tests/package_manifests_test.py).
"""

import argparse
import hashlib
import io
import json
import sys
import zipfile
from pathlib import Path

WINGET_MANIFEST_VERSION = "1.6.0"
WINGET_LOCALE = "en-US"
# NSIS writes this into every installer it makes: the first header's signature (0xDEADBEEF,
# little-endian) and its name. winget calls such an installer "nullsoft" and knows that /S makes
# it silent; a per-user NSIS installer shows no progress window of its own either way.
NSIS_SIGNATURE = b"\xef\xbe\xad\xdeNullsoftInst"
NSIS_SILENT = "/S"
# What Tarquel keeps beside its program and a new version must find again. Scoop makes a folder
# for a persisted name that exists nowhere yet, so each is made an empty file before the first
# install links it: Tarquel reads an empty config.txt as no triggers (and offers its two
# examples), an empty settings.txt as the defaults.
USER_FILES = ("config.txt", "settings.txt", "stats.txt")


class ReleaseError(Exception):
    pass


def sha256(data):
    """The SHA-256 as winget and Scoop write it: 64 hex digits (winget's own files use capitals;
    both accept either)."""
    return hashlib.sha256(data).hexdigest().upper()


def installer_type(data):
    """winget's InstallerType of an installer, from its bytes."""
    if NSIS_SIGNATURE in data:
        return "nullsoft"
    raise ReleaseError("the installer is not an NSIS installer (no NullsoftInst header)")


def folder_in_zip(data, program):
    """The folder of the zip that holds `program` ("" at its top), for Scoop's extract_dir."""
    with zipfile.ZipFile(io.BytesIO(data)) as archive:
        found = [name for name in archive.namelist() if name.rsplit("/", 1)[-1] == program]
    if len(found) != 1:
        raise ReleaseError(f"the zip holds {len(found)} files named {program}, not one")
    return found[0].rpartition("/")[0]


def download_url(facts, file_name):
    folder = facts["download_url"].replace("{version}", facts["version"])
    return folder.rstrip("/") + "/" + file_name


def _yaml_scalar(value):
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, int):
        return str(value)
    # A JSON string is a YAML double-quoted scalar: every character that YAML would read as
    # syntax (": ", "#", a leading "-", quotes) stays text.
    return json.dumps(value, ensure_ascii=False)


def _yaml_lines(value, indent):
    pad = " " * indent
    if isinstance(value, dict):
        for key, item in value.items():
            if isinstance(item, (dict, list)):
                yield f"{pad}{key}:"
                yield from _yaml_lines(item, indent + 2)
            else:
                yield f"{pad}{key}: {_yaml_scalar(item)}"
    elif isinstance(value, list):
        for item in value:
            lines = list(_yaml_lines(item, indent + 2))
            # The first line of each item carries the dash in place of two spaces of its indent.
            yield f"{pad}- {lines[0][indent + 2:]}"
            yield from lines[1:]
    else:
        yield f"{pad}{_yaml_scalar(value)}"


def yaml_document(schema, fields):
    header = f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{schema}"
    header += f".{WINGET_MANIFEST_VERSION}.schema.json\n\n"
    return header + "\n".join(_yaml_lines(fields, 0)) + "\n"


def winget_manifests(facts, installer):
    """{relative path: text} of winget's multi-file manifest for the installer's bytes."""
    identifier, version = facts["identifier"], facts["version"]
    common = {"PackageIdentifier": identifier, "PackageVersion": version}
    version_manifest = {
        **common,
        "DefaultLocale": WINGET_LOCALE,
        "ManifestType": "version",
        "ManifestVersion": WINGET_MANIFEST_VERSION,
    }
    installer_manifest = {
        **common,
        "InstallerType": installer_type(installer),
        "Scope": "user",
        "InstallModes": ["interactive", "silent", "silentWithProgress"],
        "InstallerSwitches": {"Silent": NSIS_SILENT, "SilentWithProgress": NSIS_SILENT},
        "UpgradeBehavior": "install",
        "Installers": [
            {
                "Architecture": "x64",
                "InstallerUrl": download_url(facts, facts["installer"]),
                "InstallerSha256": sha256(installer),
            }
        ],
        "ManifestType": "installer",
        "ManifestVersion": WINGET_MANIFEST_VERSION,
    }
    locale_manifest = {
        **common,
        "PackageLocale": WINGET_LOCALE,
        "Publisher": facts["publisher"],
        "PackageName": facts["name"],
        "PackageUrl": facts["homepage"],
        "License": facts["license"],
        "ShortDescription": facts["description"],
        "ManifestType": "defaultLocale",
        "ManifestVersion": WINGET_MANIFEST_VERSION,
    }
    folder = f"winget/{identifier}/{version}/{identifier}"
    return {
        f"{folder}.yaml": yaml_document("version", version_manifest),
        f"{folder}.installer.yaml": yaml_document("installer", installer_manifest),
        f"{folder}.locale.{WINGET_LOCALE}.yaml": yaml_document("defaultLocale", locale_manifest),
    }


def scoop_manifest(facts, archive):
    """The text of Scoop's app manifest for the zip's bytes."""
    program = facts["program"]
    folder = folder_in_zip(archive, program)
    x64 = {"url": download_url(facts, facts["zip"]), "hash": sha256(archive).lower()}
    if folder:
        x64["extract_dir"] = folder
    manifest = {
        "version": facts["version"],
        "description": facts["description"],
        "homepage": facts["homepage"],
        "license": facts["license"],
        "architecture": {"64bit": x64},
        "pre_install": [
            f'if (-not (Test-Path "$persist_dir\\{name}")) '
            f'{{ New-Item -ItemType File -Force -Path "$dir\\{name}" | Out-Null }}'
            for name in USER_FILES
        ],
        "bin": program,
        "shortcuts": [[program, facts["name"]]],
        "persist": list(USER_FILES),
    }
    return json.dumps(manifest, indent=4, ensure_ascii=False) + "\n"


def release_manifests(facts, installer, archive):
    """{relative path: text} of every manifest of the release."""
    files = winget_manifests(facts, installer)
    files["scoop/tarquel.json"] = scoop_manifest(facts, archive)
    return files


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("facts", type=Path, help="release.json of the build folder")
    parser.add_argument("--out", type=Path, help="where the manifests go")
    options = parser.parse_args()
    folder = options.facts.resolve().parent
    facts = json.loads(options.facts.read_text(encoding="utf-8"))
    out = options.out or folder / "manifests"
    try:
        files = release_manifests(
            facts, (folder / facts["installer"]).read_bytes(), (folder / facts["zip"]).read_bytes()
        )
    except (OSError, ReleaseError) as error:
        sys.exit(f"package_manifests: {error}")
    for name, text in files.items():
        path = out / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text, encoding="utf-8", newline="\n")
        print(path)


if __name__ == "__main__":
    main()
