'use strict';
// A simulated BACnet/IP device for the codec's interop test, made with the
// node-bacnet package. It binds 127.0.0.1 on a free port, prints
// "listening <port>" once it can be reached, and answers Who-Is with I-Am,
// ReadProperty, ReadPropertyMultiple, WriteProperty and
// WritePropertyMultiple (single object) and DeleteObject, and answers
// with an Error for an unknown object or property. It exits when its
// standard input closes (the test that started it is gone) or after --limit
// seconds, whichever comes first.
//
// With --modern it answers as a current device does: protocol-services-
// supported in 49 bits and protocol-object-types-supported in 65, and its
// binary value is commandable (a priority array and a relinquish default).
//
//     node device.js [--limit SECONDS] [--modern]

const Bacnet = require('node-bacnet');
const Transport = require('node-bacnet/lib/transport');

const E = Bacnet.enum;
const T = E.ApplicationTag;
const P = E.PropertyIdentifier;
const O = E.ObjectType;
const ALL = E.ASN1_ARRAY_ALL;

const DEVICE_INSTANCE = 4321;
const VENDOR_ID = 999;

const limitArg = process.argv.indexOf('--limit');
const limitSeconds = limitArg > 0 ? Number(process.argv[limitArg + 1]) : 60;
const modern = process.argv.includes('--modern');

function log(...args) {
  process.stderr.write(`[device] ${args.join(' ')}\n`);
}

// Bit strings as node-bacnet takes them: bit k of the BACnet string is bit
// k % 8 of value[k / 8].
function bits(count, set) {
  const value = new Array(Math.ceil(count / 8)).fill(0);
  set.forEach((k) => { value[k >> 3] |= 1 << (k & 7); });
  return {bitsUsed: count, value};
}

const str = (s) => [{type: T.CHARACTER_STRING, value: s}];
const real = (v) => [{type: T.REAL, value: v}];
const enumerated = (v) => [{type: T.ENUMERATED, value: v}];
const unsigned = (v) => [{type: T.UNSIGNED_INTEGER, value: v}];
const id = (type, instance) => ({type: T.OBJECTIDENTIFIER, value: {type, instance}});
const nulls = (n) => new Array(n).fill(null).map(() => ({type: T.NULL, value: null}));

const key = (o) => `${o.type}:${o.instance}`;

// The device's objects: property identifier -> list of application values.
// Array properties hold one value per element.
const objects = {
  [key({type: O.DEVICE, instance: DEVICE_INSTANCE})]: {
    [P.OBJECT_NAME]: str('Interop device'),
    [P.DESCRIPTION]: str('node-bacnet peer on loopback'),
    [P.VENDOR_IDENTIFIER]: unsigned(VENDOR_ID),
    [P.OBJECT_LIST]: [
      id(O.DEVICE, DEVICE_INSTANCE), id(O.ANALOG_INPUT, 0), id(O.ANALOG_VALUE, 1), id(O.BINARY_VALUE, 2),
    ],
    // readProperty 12, readPropertyMultiple 14, writeProperty 15,
    // writePropertyMultiple 16, i-Am 26, who-Is 34.
    [P.PROTOCOL_SERVICES_SUPPORTED]: [{type: T.BIT_STRING, value: bits(40, [12, 14, 15, 16, 26, 34])}],
    // analog-input 0, analog-value 2, binary-value 5, device 8.
    [P.PROTOCOL_OBJECT_TYPES_SUPPORTED]: [{type: T.BIT_STRING, value: bits(24, [0, 2, 5, 8])}],
  },
  [key({type: O.ANALOG_INPUT, instance: 0})]: {
    [P.OBJECT_NAME]: str('Outside air'),
    [P.PRESENT_VALUE]: real(18.25),
  },
  [key({type: O.ANALOG_VALUE, instance: 1})]: {
    [P.OBJECT_NAME]: str('Supply setpoint'),
    [P.PRESENT_VALUE]: real(21.5),
    [P.PRIORITY_ARRAY]: nulls(16),
    [P.RELINQUISH_DEFAULT]: real(21.5),
    // in-alarm, fault, overridden, out-of-service: fault only.
    [P.STATUS_FLAGS]: [{type: T.BIT_STRING, value: bits(4, [1])}],
    [P.EVENT_STATE]: enumerated(0),
    [P.OUT_OF_SERVICE]: [{type: T.BOOLEAN, value: false}],
    [P.UNITS]: enumerated(62),  // degrees Celsius
  },
  [key({type: O.BINARY_VALUE, instance: 2})]: {
    [P.OBJECT_NAME]: str('Fan enable'),
    [P.DESCRIPTION]: str('Fan enable switch'),
    [P.PRESENT_VALUE]: enumerated(1),
  },
};

if (modern) {
  const device = objects[key({type: O.DEVICE, instance: DEVICE_INSTANCE})];
  // The same services and types, in the lengths a current device sends;
  // bit 64 (the last object type) set so the whole length is read.
  device[P.PROTOCOL_SERVICES_SUPPORTED] = [{type: T.BIT_STRING, value: bits(49, [12, 14, 15, 16, 26, 34])}];
  device[P.PROTOCOL_OBJECT_TYPES_SUPPORTED] = [{type: T.BIT_STRING, value: bits(65, [0, 2, 5, 8, 64])}];
  const bv = objects[key({type: O.BINARY_VALUE, instance: 2})];
  bv[P.PRIORITY_ARRAY] = nulls(16);
  bv[P.RELINQUISH_DEFAULT] = enumerated(0);
}

const isArray = (propertyId) =>
  propertyId === P.OBJECT_LIST || propertyId === P.PRIORITY_ARRAY;

// The value of one property, or {error: [class, code]}.
function read(objectId, property) {
  const object = objects[key(objectId)];
  if (!object) return {error: [E.ErrorClass.OBJECT, E.ErrorCode.UNKNOWN_OBJECT]};
  const value = object[property.id];
  if (!value) return {error: [E.ErrorClass.PROPERTY, E.ErrorCode.UNKNOWN_PROPERTY]};
  if (property.index === undefined || property.index === ALL) return {value};
  if (!isArray(property.id)) return {error: [E.ErrorClass.PROPERTY, E.ErrorCode.PROPERTY_IS_NOT_AN_ARRAY]};
  if (property.index === 0) return {value: unsigned(value.length)};
  if (property.index > value.length) return {error: [E.ErrorClass.PROPERTY, E.ErrorCode.INVALID_ARRAY_INDEX]};
  return {value: [value[property.index - 1]]};
}

// Stores a written value: an object's present value with a priority goes
// into its priority array, and the present value follows the highest
// priority that is not relinquished.
function write(objectId, property, values, priority) {
  const object = objects[key(objectId)];
  if (!object) return [E.ErrorClass.OBJECT, E.ErrorCode.UNKNOWN_OBJECT];
  if (!object[property.id]) return [E.ErrorClass.PROPERTY, E.ErrorCode.UNKNOWN_PROPERTY];
  if (property.id === P.PRESENT_VALUE && object[P.PRIORITY_ARRAY]) {
    const slots = object[P.PRIORITY_ARRAY];
    const slot = priority >= 1 && priority <= 16 ? priority : 16;
    slots[slot - 1] = values[0];
    const active = slots.find((v) => v.type !== T.NULL);
    object[P.PRESENT_VALUE] = active ? [active] : object[P.RELINQUISH_DEFAULT];
    return null;
  }
  if (isArray(property.id) && property.index !== undefined && property.index !== ALL) {
    const list = object[property.id];
    if (property.index < 1 || property.index > list.length) {
      return [E.ErrorClass.PROPERTY, E.ErrorCode.INVALID_ARRAY_INDEX];
    }
    list[property.index - 1] = values[0];
    return null;
  }
  object[property.id] = values;
  return null;
}

const transport = new Transport({port: 0, interface: '127.0.0.1', broadcastAddress: '127.255.255.255'});
const client = new Bacnet({transport, apduTimeout: 2000});

client.on('listening', () => {
  process.stdout.write(`listening ${transport.ownAddress.port}\n`);
});

client.on('error', (err) => {
  log('transport error:', err.message);
  process.exit(1);
});

client.on('whoIs', (data) => {
  const {lowLimit, highLimit} = data.payload || {};
  log('who-is', lowLimit, highLimit, 'from', data.header.sender.address);
  if (lowLimit !== undefined && (DEVICE_INSTANCE < lowLimit || DEVICE_INSTANCE > highLimit)) return;
  client.iAmResponse(data.header.sender, DEVICE_INSTANCE, E.Segmentation.NO_SEGMENTATION, VENDOR_ID);
});

client.on('readProperty', (data) => {
  const {objectId, property} = data.payload;
  log('read-property', key(objectId), property.id, property.index === ALL ? '-' : property.index,
      'invoke', data.invokeId);
  const result = read(objectId, property);
  if (result.error) {
    client.errorResponse(data.header.sender, data.service, data.invokeId, ...result.error);
  } else {
    client.readPropertyResponse(data.header.sender, data.invokeId, objectId, property, result.value);
  }
});

client.on('readPropertyMultiple', (data) => {
  log('read-property-multiple', JSON.stringify(data.payload.properties), 'invoke', data.invokeId);
  // "all" (8) stands for every property the object has.
  const expand = (spec) => spec.properties.flatMap((property) => {
    const object = objects[key(spec.objectId)];
    if (property.id !== P.ALL || !object) return [property];
    return Object.keys(object).map((id) => ({id: Number(id), index: ALL}));
  });
  const values = data.payload.properties.map((spec) => ({
    objectId: spec.objectId,
    values: expand(spec).map((property) => {
      const result = read(spec.objectId, property);
      return {
        property,
        value: result.error ?
          [{value: {type: 'BacnetError', errorClass: result.error[0], errorCode: result.error[1]}}] :
          result.value,
      };
    }),
  }));
  client.readPropertyMultipleResponse(data.header.sender, data.invokeId, values);
});

client.on('writeProperty', (data) => {
  const {objectId, value} = data.payload;
  log('write-property', key(objectId), value.property.id, JSON.stringify(value.value), 'priority', value.priority,
      'invoke', data.invokeId);
  const error = write(objectId, value.property, value.value, value.priority);
  if (error) {
    client.errorResponse(data.header.sender, data.service, data.invokeId, ...error);
  } else {
    client.simpleAckResponse(data.header.sender, data.service, data.invokeId);
  }
});

client.on('writePropertyMultiple', (data) => {
  const {objectId, values} = data.payload;
  log('write-property-multiple', key(objectId), JSON.stringify(values), 'invoke', data.invokeId);
  let error = null;
  for (const v of values) {
    error = error || write(objectId, v.property, v.value, v.priority);
  }
  if (error) {
    client.errorResponse(data.header.sender, data.service, data.invokeId, ...error);
  } else {
    client.simpleAckResponse(data.header.sender, data.service, data.invokeId);
  }
});

client.on('deleteObject', (data) => {
  const objectId = {type: data.payload.objectType, instance: data.payload.instance};
  log('delete-object', key(objectId), 'invoke', data.invokeId);
  if (!objects[key(objectId)]) {
    client.errorResponse(data.header.sender, data.service, data.invokeId, E.ErrorClass.OBJECT,
        E.ErrorCode.UNKNOWN_OBJECT);
    return;
  }
  delete objects[key(objectId)];
  const device = objects[key({type: O.DEVICE, instance: DEVICE_INSTANCE})];
  device[P.OBJECT_LIST] = device[P.OBJECT_LIST].filter((v) => key(v.value) !== key(objectId));
  client.simpleAckResponse(data.header.sender, data.service, data.invokeId);
});

// Bounded life: gone with the test, and never past the limit.
process.stdin.on('end', () => process.exit(0));
process.stdin.on('close', () => process.exit(0));
process.stdin.resume();
process.on('SIGTERM', () => process.exit(0));
setTimeout(() => {
  log(`time limit of ${limitSeconds} s reached`);
  process.exit(2);
}, limitSeconds * 1000);
