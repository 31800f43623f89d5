Your message in a read-only area
Hello %FromName%,

the area %Area% is read-only for you, so your message
of %MsgDateTime% to %ToName% did not go out to the other readers:

%MsgHeader%

%MsgText%

If you think this is a mistake, answer this message: the answer
reaches the sysop of this node.
