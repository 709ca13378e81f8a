#!/usr/bin/env python3
"""Checks MQTT discovery configs as Home Assistant reads them, and renders their templates.

Input: a JSON file {"topic": "payload", ...} holding what a broker retains (configs, states, status).
Every config under <discovery prefix>/<sensor|binary_sensor>/<node>/<object>/config is checked
against the keys, value types and device-class/unit/state-class combinations below, and every
value_template is rendered with Jinja2 against the payload retained on its state topic, as Home
Assistant does (value and value_json). Output: {"config topic": "rendered state", ...} on standard
output; problems on standard error and exit code 1.

The tables are written from Home Assistant's documentation and kept to what a logger of sensor
values can meet:
  https://www.home-assistant.io/integrations/sensor.mqtt/         (MQTT sensor keys)
  https://www.home-assistant.io/integrations/binary_sensor.mqtt/  (MQTT binary sensor keys)
  https://www.home-assistant.io/integrations/mqtt/                (discovery, device and origin blocks)
  https://www.home-assistant.io/integrations/sensor/#device-class (device classes, units, state classes)
  https://www.home-assistant.io/integrations/binary_sensor/#device-class
"""
import datetime
import json
import sys

import jinja2

COMMON_KEYS = {
    "availability": list, "availability_mode": str, "availability_template": str, "availability_topic": str,
    "device": dict, "device_class": str, "enabled_by_default": bool, "encoding": str, "entity_category": str,
    "entity_picture": str, "expire_after": int, "force_update": bool, "icon": str,
    "json_attributes_template": str, "json_attributes_topic": str, "name": str, "object_id": str,
    "default_entity_id": str, "origin": dict, "payload_available": str, "payload_not_available": str,
    "qos": int, "state_topic": str, "unique_id": str, "value_template": str,
}
SENSOR_KEYS = dict(COMMON_KEYS, **{
    "last_reset_value_template": str, "options": list, "state_class": str,
    "suggested_display_precision": int, "unit_of_measurement": str,
})
BINARY_SENSOR_KEYS = dict(COMMON_KEYS, **{"off_delay": int, "payload_off": str, "payload_on": str})
REQUIRED = {"state_topic"}
DEVICE_KEYS = {
    "configuration_url": str, "connections": list, "hw_version": str, "identifiers": list, "manufacturer": str,
    "model": str, "model_id": str, "name": str, "serial_number": str, "suggested_area": str, "sw_version": str,
    "via_device": str,
}
ORIGIN_KEYS = {"name": str, "sw_version": str, "support_url": str}
AVAILABILITY_KEYS = {"topic": str, "payload_available": str, "payload_not_available": str, "value_template": str}

STATE_CLASSES = {"measurement", "total", "total_increasing"}
# Sensor device class -> (units it accepts, state classes it accepts); None: no unit allowed.
SENSOR_CLASSES = {
    "temperature": ({"°C", "°F", "K"}, {"measurement"}),
    "duration": ({"d", "h", "min", "s", "ms"}, STATE_CLASSES),
    "energy": ({"Wh", "kWh", "MWh", "MJ", "GJ"}, {"total", "total_increasing"}),
    "gas": ({"m³", "ft³", "CCF"}, {"total", "total_increasing"}),
    "water": ({"L", "gal", "m³", "ft³", "CCF"}, {"total", "total_increasing"}),
    "power": ({"W", "kW", "MW"}, {"measurement"}),
    "pressure": ({"Pa", "hPa", "kPa", "bar", "cbar", "mbar", "mmHg", "inHg", "psi"}, {"measurement"}),
    "timestamp": (None, set()),
    "enum": (None, set()),
}
BINARY_SENSOR_CLASSES = {
    "battery", "battery_charging", "carbon_monoxide", "cold", "connectivity", "door", "garage_door", "gas",
    "heat", "light", "lock", "moisture", "motion", "moving", "occupancy", "opening", "plug", "power",
    "presence", "problem", "running", "safety", "smoke", "sound", "tamper", "update", "vibration", "window",
}


def check_keys(where, block, allowed, problems):
    for key, value in block.items():
        if key not in allowed:
            problems.append(f"{where}: unknown key {key!r}")
        elif not isinstance(value, allowed[key]) or (allowed[key] is int and isinstance(value, bool)):
            problems.append(f"{where}: {key!r} is {type(value).__name__}, not {allowed[key].__name__}")


def check_config(topic, config, problems):
    component = topic.split("/")[-4]
    allowed = SENSOR_KEYS if component == "sensor" else BINARY_SENSOR_KEYS if component == "binary_sensor" else None
    if allowed is None:
        problems.append(f"{topic}: component {component!r} is not checked here")
        return
    check_keys(topic, config, allowed, problems)
    for key in REQUIRED - config.keys():
        problems.append(f"{topic}: {key!r} missing")
    if "availability" in config and "availability_topic" in config:
        problems.append(f"{topic}: availability and availability_topic together")
    for item in config.get("availability", []):
        if not isinstance(item, dict) or "topic" not in item:
            problems.append(f"{topic}: availability entry without topic")
        else:
            check_keys(topic + " availability", item, AVAILABILITY_KEYS, problems)
    if config.get("availability_mode", "latest") not in {"all", "any", "latest"}:
        problems.append(f"{topic}: availability_mode {config['availability_mode']!r}")
    if config.get("entity_category", "diagnostic") not in {"config", "diagnostic"}:
        problems.append(f"{topic}: entity_category {config['entity_category']!r}")
    device = config.get("device")
    if device is not None:
        check_keys(topic + " device", device, DEVICE_KEYS, problems)
        if not device.get("identifiers") and not device.get("connections"):
            problems.append(f"{topic}: device without identifiers")
    origin = config.get("origin")
    if origin is not None:
        check_keys(topic + " origin", origin, ORIGIN_KEYS, problems)
        if "name" not in origin:
            problems.append(f"{topic}: origin without name")
    device_class = config.get("device_class")
    if component == "binary_sensor":
        if device_class is not None and device_class not in BINARY_SENSOR_CLASSES:
            problems.append(f"{topic}: binary sensor device class {device_class!r}")
        return
    unit = config.get("unit_of_measurement")
    state_class = config.get("state_class")
    if state_class is not None and state_class not in STATE_CLASSES:
        problems.append(f"{topic}: state class {state_class!r}")
    if device_class is None:
        return
    if device_class not in SENSOR_CLASSES:
        problems.append(f"{topic}: sensor device class {device_class!r} is not in the table")
        return
    units, state_classes = SENSOR_CLASSES[device_class]
    if units is None and unit is not None:
        problems.append(f"{topic}: {device_class} takes no unit, has {unit!r}")
    if units is not None and unit not in units:
        problems.append(f"{topic}: {device_class} does not take the unit {unit!r}")
    if state_class is not None and state_class not in state_classes:
        problems.append(f"{topic}: {device_class} does not take the state class {state_class!r}")


def render(environment, template, payload):
    try:
        value_json = json.loads(payload)
    except ValueError:
        value_json = None
    return environment.from_string(template).render(value=payload, value_json=value_json).strip()


def check_state(topic, config, state, problems):
    if config.get("device_class") == "timestamp":
        if state != "None":
            try:
                if datetime.datetime.fromisoformat(state).tzinfo is None:
                    problems.append(f"{topic}: timestamp {state!r} without time zone")
            except ValueError:
                problems.append(f"{topic}: timestamp {state!r} is no ISO time")
    elif "state_class" in config and state != "None":
        try:
            float(state)
        except ValueError:
            problems.append(f"{topic}: state {state!r} of a sensor with a state class is no number")


def main():
    with open(sys.argv[1], encoding="utf-8") as file:
        retained = json.load(file)
    environment = jinja2.Environment(undefined=jinja2.StrictUndefined)
    problems, rendered, unique_ids = [], {}, set()
    for topic, payload in sorted(retained.items()):
        parts = topic.split("/")
        if len(parts) < 4 or parts[-1] != "config" or not payload:
            continue
        try:
            config = json.loads(payload)
        except ValueError as error:
            problems.append(f"{topic}: no JSON: {error}")
            continue
        check_config(topic, config, problems)
        unique_id = config.get("unique_id")
        if unique_id in unique_ids:
            problems.append(f"{topic}: unique_id {unique_id!r} used twice")
        unique_ids.add(unique_id)
        state_payload = retained.get(config.get("state_topic"))
        if state_payload is None:
            problems.append(f"{topic}: nothing retained on {config.get('state_topic')!r}")
            continue
        try:
            state = render(environment, config["value_template"], state_payload) \
                if "value_template" in config else state_payload
        except jinja2.TemplateError as error:
            problems.append(f"{topic}: template {config['value_template']!r} fails: {error}")
            continue
        if parts[-4] == "binary_sensor":
            if state not in {config.get("payload_on", "ON"), config.get("payload_off", "OFF"), "None"}:
                problems.append(f"{topic}: binary state {state!r} is neither on, off nor None")
        else:
            check_state(topic, config, state, problems)
        for item in config.get("availability", []):
            if retained.get(item["topic"]) not in {"online", "offline"}:
                problems.append(f"{topic}: availability topic {item['topic']!r} holds no online/offline")
        rendered[topic] = state
    for problem in problems:
        print(problem, file=sys.stderr)
    json.dump(rendered, sys.stdout, ensure_ascii=False, indent=0, sort_keys=True)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
