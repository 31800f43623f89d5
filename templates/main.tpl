Message caught in a read-only area
Rule %RoNum% caught a message in the read-only area %Area%
on %Date% at %Time%.

%MsgHeader%

The whole message, kludges and path lines included:
--------------------------------------------------------------------
%MsgBody%
--------------------------------------------------------------------

Uplink of the area: %UplinkName%, %UplinkAddr%
