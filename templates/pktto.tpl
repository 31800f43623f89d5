A packet for you held a message for a read-only area
Hello,

a packet addressed to your system held a message for the read-only
area %Area%, written by %FromName%, %FromAddr%:

%MsgHeader%

It was caught here on %Date% at %Time%.
