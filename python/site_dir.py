"""Prints the folder, relative to PREFIX, where this python3 reads packages
installed under PREFIX.

    python3 site_dir.py PREFIX
"""
import os
import site
import sys
import sysconfig

prefix = os.path.normpath(sys.argv[1])
for folder in site.getsitepackages() + [site.getusersitepackages()] + sys.path:
    folder = os.path.normpath(folder)
    if folder.startswith(prefix + "/lib") and folder.endswith("-packages"):
        print(os.path.relpath(folder, prefix))
        break
else:
    if "deb_system" in sysconfig.get_scheme_names():
        print("lib/python3/dist-packages")
    else:
        paths = sysconfig.get_paths("posix_prefix", vars={"base": prefix, "platbase": prefix})
        print(os.path.relpath(paths["platlib"], prefix))
