"""Two Syncthing instances that share one folder over the loopback address only, for the
end-to-end test of a cookbook shared between two computers.

  syncthing_pair.py configure HOME_A DATA_A HOME_B DATA_B
      generates each instance's keys and configuration before its first start, then turns
      off global and local discovery, relays, NAT traversal, STUN, usage and crash
      reporting and upgrades; each listens on 127.0.0.1 and knows the other's address
  syncthing_pair.py wait-up HOME SECONDS
      waits until the instance answers, and so listens for the other
  syncthing_pair.py wait-synced HOME_A HOME_B SECONDS
      waits until both are connected and neither needs anything of the folder
"""
import json
import socket
import subprocess
import sys
import time
import urllib.request
import xml.etree.ElementTree as ElementTree

FOLDER_ID = "cookbook"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def generate(home):
    subprocess.run(["syncthing", "generate", f"--home={home}", "--no-default-folder",
                    "--skip-port-probing"], check=True, capture_output=True)
    tree = ElementTree.parse(f"{home}/config.xml")
    return tree, tree.getroot().find("device").get("id")


def set_option(options, name, value):
    element = options.find(name)
    if element is None:
        element = ElementTree.SubElement(options, name)
    element.text = value


def configure_instance(home, data, tree, own_id, other_id, listen_port, other_port, gui_port):
    root = tree.getroot()
    options = root.find("options")
    for name, value in [("listenAddress", f"tcp://127.0.0.1:{listen_port}"),
                        ("globalAnnounceEnabled", "false"), ("localAnnounceEnabled", "false"),
                        ("relaysEnabled", "false"), ("natEnabled", "false"),
                        ("stunKeepaliveStartS", "0"), ("stunServer", ""),
                        ("urAccepted", "-1"), ("crashReportingEnabled", "false"),
                        ("autoUpgradeIntervalH", "0"), ("startBrowser", "false"),
                        ("reconnectionIntervalS", "1"), ("setLowPriority", "false")]:
        set_option(options, name, value)
    root.find("gui").find("address").text = f"127.0.0.1:{gui_port}"
    other = ElementTree.SubElement(root, "device", id=other_id, name="other",
                                   compression="metadata", introducer="false")
    ElementTree.SubElement(other, "address").text = f"tcp://127.0.0.1:{other_port}"
    folder = ElementTree.Element("folder", id=FOLDER_ID, label="Cookbook", path=data,
                                 type="sendreceive", rescanIntervalS="60",
                                 fsWatcherEnabled="true", fsWatcherDelayS="1")
    ElementTree.SubElement(folder, "device", id=own_id)
    ElementTree.SubElement(folder, "device", id=other_id)
    root.insert(0, folder)
    tree.write(f"{home}/config.xml")
    api_key = root.find("gui").find("apikey").text
    with open(f"{home}/pair.json", "w") as out:
        json.dump({"gui": f"http://127.0.0.1:{gui_port}", "apikey": api_key, "other": other_id},
                  out)


def configure(home_a, data_a, home_b, data_b):
    tree_a, id_a = generate(home_a)
    tree_b, id_b = generate(home_b)
    port_a, port_b = free_port(), free_port()
    configure_instance(home_a, data_a, tree_a, id_a, id_b, port_a, port_b, free_port())
    configure_instance(home_b, data_b, tree_b, id_b, id_a, port_b, port_a, free_port())


def rest(home, path):
    with open(f"{home}/pair.json") as source:
        pair = json.load(source)
    request = urllib.request.Request(pair["gui"] + path, headers={"X-API-Key": pair["apikey"]})
    with urllib.request.urlopen(request, timeout=5) as reply:
        return json.load(reply), pair


def is_synced(home):
    try:
        connections, pair = rest(home, "/rest/system/connections")
        if not connections["connections"].get(pair["other"], {}).get("connected"):
            return False
        status, _ = rest(home, f"/rest/db/status?folder={FOLDER_ID}")
        completion, _ = rest(home, f"/rest/db/completion?folder={FOLDER_ID}&device={pair['other']}")
        return (status["state"] == "idle" and status["needTotalItems"] == 0
                and completion["completion"] == 100)
    except (OSError, ValueError, KeyError):
        return False


def wait_up(home, seconds):
    deadline = time.monotonic() + float(seconds)
    while time.monotonic() < deadline:
        try:
            reply, _ = rest(home, "/rest/system/ping")
            if reply.get("ping") == "pong":
                return 0
        except (OSError, ValueError):
            pass
        time.sleep(0.1)
    print("Syncthing did not start", file=sys.stderr)
    return 1


def wait_synced(home_a, home_b, seconds):
    deadline = time.monotonic() + float(seconds)
    while time.monotonic() < deadline:
        if is_synced(home_a) and is_synced(home_b):
            return 0
        time.sleep(0.2)
    print("the two Syncthing instances did not settle", file=sys.stderr)
    return 1


if __name__ == "__main__":
    command = sys.argv[1]
    if command == "configure":
        configure(*sys.argv[2:6])
    elif command == "wait-up":
        sys.exit(wait_up(*sys.argv[2:4]))
    elif command == "wait-synced":
        sys.exit(wait_synced(*sys.argv[2:5]))
    else:
        sys.exit(f"unknown command {command}")
