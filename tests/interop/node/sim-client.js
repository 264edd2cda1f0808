'use strict';

// A node-bacnet client against bacnet-codec's simulated device on the
// loopback: it subscribes to the device's moving analog input (unconfirmed)
// and to an analog value (confirmed, answered with a Simple-ACK), writes the
// value, cancels the first subscription, and reads the trend log by range.
// Each event is one JSON line on stdout; the last is {"event":"done"}.
//
//     node sim-client.js --port PORT [--local PORT]

const Bacnet = require('node-bacnet');

const E = Bacnet.enum;
const T = E.ApplicationTag;

function arg(name, fallback) {
  const i = process.argv.indexOf(name);
  return i > 0 ? Number(process.argv[i + 1]) : fallback;
}

const device = `127.0.0.1:${arg('--port', 47809)}`;
const client = new Bacnet({port: arg('--local', 47990), interface: '127.0.0.1', apduTimeout: 2000});
const started = Date.now();

function say(event, fields) {
  process.stdout.write(JSON.stringify(Object.assign({event, ms: Date.now() - started}, fields)) + '\n');
}

function report(confirmed) {
  return (data) => {
    const p = data.payload;
    const value = (id) => {
      const v = p.values.find((entry) => entry.property.id === id);
      return v ? v.value[0].value : null;
    };
    say('notification', {
      confirmed,
      process: p.subscriberProcessId,
      device: p.initiatingDeviceId.instance,
      object: `${p.monitoredObjectId.type}:${p.monitoredObjectId.instance}`,
      left: p.timeRemaining,
      value: value(E.PropertyIdentifier.PRESENT_VALUE),
      flags: value(E.PropertyIdentifier.STATUS_FLAGS),
    });
    if (confirmed)
      client.simpleAckResponse(data.header.sender, data.service, data.invokeId);
  };
}

client.on('covNotifyUnconfirmed', report(false));
client.on('covNotify', report(true));
client.on('error', (err) => say('error', {message: String(err)}));

const done = (name) => (err) => say(name, {error: err ? err.message : null});
const range = (name, objectId, first, count, options) => {
  client.readRange(device, objectId, first, count, options, (err, value) => {
    if (err) return say(name, {error: err.message});
    say(name, {
      error: null,
      flags: value.resultFlag.value[0],
      items: value.itemCount,
      octets: Array.from(value.rangeBuffer || []).slice(0, 2),
    });
  });
};
const trendLog = {type: E.ObjectType.TREND_LOG, instance: 1};

// The analog input moves each second; the value only when written.
client.subscribeCov(device, {type: 0, instance: 1}, 7, false, false, 60, done('subscribed-input'));
client.subscribeCov(device, {type: 2, instance: 1}, 9, false, true, 0, done('subscribed-value'));
// One record a second (the interval in hundredths).
client.writeProperty(device, trendLog, E.PropertyIdentifier.LOG_INTERVAL, [{type: T.UNSIGNED_INTEGER, value: 100}],
  done('interval-written'));

setTimeout(() => {
  client.writeProperty(device, {type: 2, instance: 1}, E.PropertyIdentifier.PRESENT_VALUE,
    [{type: T.REAL, value: 42.5}], {priority: 8}, done('value-written'));
}, 2500);

setTimeout(() => {
  client.subscribeCov(device, {type: 0, instance: 1}, 7, true, false, 0, done('cancelled-input'));
  range('range-first-two', trendLog, 1, 2, {});
  range('range-of-an-input', {type: 0, instance: 1}, 1, 2, {});
  client.readProperty(device, trendLog, E.PropertyIdentifier.TOTAL_RECORD_COUNT, (err, value) => {
    say('total-records', {error: err ? err.message : null, value: err ? null : value.values[0].value});
  });
}, 3500);

setTimeout(() => {
  say('done', {});
  client.close();
}, 5500);
