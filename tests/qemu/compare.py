#!/usr/bin/env python3
"""Checks fddisk's reading of the guest's disks against smartctl's, field by field.

Usage: compare.py RESULTS_DIR   (fddisk.json and smartctl-DISK.json, as the guest left them)
Prints each disk's agreement and the wall times; exits 1 on the first disagreement list.
"""
import json
import pathlib
import sys

results = pathlib.Path(sys.argv[1])
problems = []


def check(disk, what, fddisk_value, smartctl_value):
    if fddisk_value != smartctl_value:
        problems.append(f"{disk}: {what}: fddisk {fddisk_value!r}, smartctl {smartctl_value!r}")


def seconds(name):
    start, end = (results / f"{name}.time").read_text().split()
    return float(end) - float(start)


fddisk = json.loads((results / "fddisk.json").read_text())
by_device = {d["device"]: d for d in fddisk["disks"]}
not_read = {n["device"]: n["reason"] for n in fddisk["not_read"]}
# The results disk is virtio: on a real kernel's sysfs fddisk finds it and says it cannot be read.
if "virtio" not in not_read.get("/dev/vda", ""):
    problems.append(f"/dev/vda: not listed as a virtio disk: {not_read.get('/dev/vda')!r}")
compared = 0
smartctl_times = []
for path in sorted(results.glob("smartctl-*.json")):
    name = path.stem[len("smartctl-"):]
    device = "/dev/" + name
    smart = json.loads(path.read_text())
    if "model_name" not in smart:
        # smartctl could not talk to the disk (the USB bridge): fddisk must say so too.
        messages = [m["string"] for m in smart.get("smartctl", {}).get("messages", [])]
        print(f"{device}: smartctl: {'; '.join(messages)}")
        if device in by_device:
            problems.append(f"{device}: smartctl reads nothing, fddisk gave a record")
        elif "no ATA pass-through" not in not_read.get(device, ""):
            problems.append(f"{device}: fddisk does not say why: {not_read.get(device)!r}")
        else:
            print(f"{device}: fddisk: {not_read[device]}")
        continue
    if device not in by_device:
        problems.append(f"{device}: smartctl reads it, fddisk has no record ({not_read.get(device)})")
        continue
    disk = by_device[device]
    check(device, "model", disk["model"], smart["model_name"])
    check(device, "serial", disk["serial"], smart["serial_number"])
    check(device, "firmware", disk["firmware"], smart["firmware_version"])
    check(device, "capacity", disk["capacity_bytes"], smart["user_capacity"]["bytes"])
    if "nvme_smart_health_information_log" in smart:
        log = smart["nvme_smart_health_information_log"]
        health = disk["nvme_health"]
        check(device, "temperature", health["temperature_kelvin"] - 273, log["temperature"])
        for ours, theirs in [("critical_warning", "critical_warning"),
                             ("available_spare", "available_spare"),
                             ("available_spare_threshold", "available_spare_threshold"),
                             ("percentage_used", "percentage_used"),
                             ("data_units_read", "data_units_read"),
                             ("data_units_written", "data_units_written"),
                             ("host_read_commands", "host_reads"),
                             ("host_write_commands", "host_writes"),
                             ("power_on_hours", "power_on_hours"),
                             ("unsafe_shutdowns", "unsafe_shutdowns"),
                             ("media_errors", "media_errors")]:
            check(device, ours, health[ours], log[theirs])
        if log["data_units_written"] == 0:
            problems.append(f"{device}: the data written did not reach the counters")
        check(device, "ssd", disk["ssd"], True)
    else:
        # smartctl reports rotation_rate 0 for a solid-state disk and nothing when the drive
        # does not say.
        check(device, "ssd", disk["ssd"], smart.get("rotation_rate") == 0)
        ours = [(a["id"], a["current"], a["worst"], a["threshold"], a["raw"])
                for a in disk["attributes"]]
        theirs = [(a["id"], a["value"], a["worst"], a["thresh"], a["raw"]["value"])
                  for a in smart["ata_smart_attributes"]["table"]]
        check(device, "attributes", ours, theirs)
    compared += 1
    smartctl_times.append(seconds("smartctl-" + name))
    print(f"{device}: {disk['model']}: agrees with smartctl")

disks = len(fddisk["physical_drives"])
if smartctl_times:
    ours = seconds("fddisk") / disks
    theirs = sum(smartctl_times) / len(smartctl_times)
    print(f"fddisk: full discovery of {disks} disks {seconds('fddisk'):.2f} s, {ours:.3f} s a disk;"
          f" smartctl -a {theirs:.3f} s a disk read; ratio {ours / theirs:.2f}"
          " (guest clock, 10 ms steps)")
if compared < 3:
    problems.append(f"only {compared} disks compared")
for p in problems:
    print("DISAGREES:", p)
sys.exit(1 if problems else 0)
