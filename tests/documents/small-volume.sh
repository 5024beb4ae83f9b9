#!/bin/sh
# Mounts (start) or unmounts (stop) a 64 KB tmpfs at DIR for the run, so that a save can run out
# of disk space for real. Where mounting is not allowed the test that needs it skips itself.
set -u
cmd=$1
dir=$2
case "$cmd" in
start)
  mkdir -p "$dir"
  if mountpoint -q "$dir"; then umount "$dir" 2>/dev/null || umount -l "$dir" 2>/dev/null; fi
  if mount -t tmpfs -o size=64k,mode=0777 tmpfs "$dir" 2>/dev/null; then
    echo "small volume: 64 KB tmpfs at $dir"
  else
    echo "small volume: cannot mount tmpfs at $dir; the disk-full test will skip"
  fi
  ;;
stop)
  if mountpoint -q "$dir"; then umount "$dir" 2>/dev/null || umount -l "$dir"; fi
  rmdir "$dir" 2>/dev/null
  ;;
esac
exit 0
